// Which pictures ESC "G" may load, how much decoding a job may cost, and
// how many font names it may look up.
//
// The window and the command line read pictures with the user's own rights.
// A print server's filter runs on behalf of whoever sent the job, with the
// scheduler's rights: there a picture is read only from beneath the folder
// the administrator allows (no "..", no symbolic link leading out), and every
// refusal reads the same, so that a job cannot learn which files exist.
//
// Everywhere: a picture's size is read from its header before it is decoded,
// a picture larger than a page at 600 dpi is skipped, and the distinct
// pictures of one job share a budget of pixels (a picture admitted once stays
// admitted for the whole job, one refused stays refused, so every pass over
// the report sees the same pictures); the decoding of SVG pictures never
// follows a reference out of the picture's own file.
#pragma once

#include <QSize>
#include <QString>
#include <optional>

namespace papelada {

struct PoliticaImagens {
    // Set: pictures only from beneath this folder ("" allows none).
    std::optional<QString> pasta_permitida;
    qint64 pixels_por_imagem = qint64(6000) * 6000;
    qint64 pixels_por_trabalho = qint64(64) << 20;
};

// Replaces the process's policy and starts a new job.
void definir_politica_imagens(const PoliticaImagens& politica);
PoliticaImagens politica_imagens();
// A new job (a report opened): the budgets of pictures and font names are
// whole again.
void iniciar_orcamento_imagens();

// Font names cost a lookup in the system's fonts each: a job looks up at
// most this many distinct names, each once. True when `nome` is one of them
// (or may become one); a name beyond them changes no font.
constexpr int nomes_fonte_por_trabalho = 256;
bool admitir_nome_fonte(const QString& nome);

// Opens `caminho` for reading as the policy allows, without blocking on a
// FIFO: the descriptor (the caller closes it), or -1 with errno set.
int abrir_imagem(const QString& caminho);
// Whether the 33 bytes that open a PNG file (its signature and header) say
// rows that may go into a PDF as they are: 8-bit grey or RGB samples, not
// interlaced, `tamanho` pixels; `cinza` (when given) is set for grey.
bool cabecalho_png_direto(const unsigned char* inicio, QSize tamanho, bool* cinza = nullptr);
// Whether the PNG file at `caminho` may go into a PDF with its compressed
// rows as they are, as far as its chunks before the rows tell: 8-bit grey
// or RGB samples, not interlaced, `tamanho` pixels, no transparent colour.
// Opened as abrir_imagem() opens it; the rows are checked by their reader.
bool png_sem_decodificar(const QString& caminho, QSize tamanho);
// Opens `caminho` beneath `pasta`: a relative path from the folder, an
// absolute one only when it lies in it; never through "..", and through
// symbolic links only when they stay beneath it (with `openat2` where the
// kernel has it; otherwise no symbolic link at all).
int abrir_sob_pasta(const QString& pasta, const QString& caminho, bool usar_openat2 = true);

} // namespace papelada
