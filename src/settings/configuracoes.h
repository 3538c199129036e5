// The settings store: the two margins, and a default font for every printer.
// Kept in an INI file under the user's configuration folder
// (organisation "Orvel", application "Papelada"), over the machine's file of
// the same name in the system's configuration folders
// (/etc/xdg/Orvel/Papelada.ini), which gives every value the user's file
// lacks and is never written; with the key paths and
// value names of the original registry store. The 16-bit values (margins,
// font size and styles) are plain numbers; files holding them as two bytes
// are read too.
#pragma once

#include "stream/estado.h"
#include "stream/superficie.h"

#include <QString>
#include <cstdint>

namespace papelada {

// The font values of the font dialog (they persist between uses).
struct FonteEscolhida {
    QString nome = QStringLiteral("Courier New");
    double tamanho = 10;
    bool negrito = false, italico = false, sublinhado = false, riscado = false;
};

// Program start: reads "Margem esquerda" and "Margem Superior" (signed
// 16-bit values, kept within 1000 mm either way); a value that cannot be
// read is 10. Nothing is written.
void ler_margens(std::int32_t& margem_esquerda, std::int32_t& margem_superior);
// Stores the margins typed in the window: the numeric value of each text,
// rounded (halves to even), kept within 16 bits. The rounded values are
// returned in the two variables.
void gravar_margens(const QString& texto_esquerda, const QString& texto_superior,
                    std::int32_t& margem_esquerda, std::int32_t& margem_superior);

// Applies the stored default font of the current printer (a size above 500
// points is taken as 500; a value that cannot be read is the printer's
// own). Returns false when the printer has no font key: its current font
// stays. Nothing is written. Copies the printer's font into `dialogo`.
bool set_default_font(Superficie& impressora, FonteEscolhida* dialogo = nullptr);
// "Courier New", 10 points, not bold, not italic: the font when a printer has
// no default yet.
void aplicar_fonte_reserva(Superficie& impressora);
// The printer's stored default font, or "Courier New" 10 when it has none
// yet; never underlined or struck through.
void aplicar_fonte_padrao(Superficie& impressora, FonteEscolhida* dialogo = nullptr);
// Stores the printer's font as its default ("Definir Fonte Padrão").
void gravar_fonte_padrao(Superficie& impressora);
// After the user picks a font: the line height is 1.2 x the height of "A",
// the character width the width of "A"; both become the defaults too.
void recalcular_metricas(Superficie& impressora, Metricas& metricas);

// The print server's filter acts for whoever sent the job: only the
// machine's file is read, and nothing is ever written.
void usar_somente_configuracoes_do_sistema();
// The folder that a print server's jobs may take pictures from: the key
// "PastaImagens" of the group "Servidor" in the machine's file, an absolute
// path; "" (no picture at all) when it is not set.
QString pasta_imagens_do_servidor();
// The threads that draw a print server's jobs: the key "FiosDesenho" of the
// group "Servidor" in the machine's file, a whole number from 1; 0 (the
// job's own default) when it is not set or not such a number.
int fios_do_servidor();

} // namespace papelada
