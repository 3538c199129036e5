// A PDF writer for printed reports. Pages are drawn in twips from the top
// left corner of the paper; each page is compressed and written as soon as it
// ends, so the memory a document takes does not grow with its pages. Text is
// written a run at a time, one byte a glyph, in fonts made from the faces the
// surface measured with (a subset of each face is embedded at the end), so
// that the PDF's text can be searched and copied. Faces that may not be
// embedded are drawn as outlines.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QCryptographicHash>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

class QIODevice;
class QTemporaryFile;

namespace papelada::pdf {

// Numbers by index, as many as a document needs: the last few thousand in
// memory, those before them in an unlinked temporary file, so that the
// memory taken does not grow with their count.
class Tabela {
public:
    Tabela();
    ~Tabela();
    Tabela(const Tabela&) = delete;
    Tabela& operator=(const Tabela&) = delete;

    qint64 tamanho() const { return base_ + static_cast<qint64>(recentes_.size()); }
    void acrescentar(qint64 v);
    void definir(qint64 i, qint64 v);
    // Calls `f` with every number, in order.
    template <class F> void percorrer(F f)
    {
        std::vector<qint64> bloco;
        for (qint64 i = 0; i < base_; i += janela) {
            ler(i, std::min<qint64>(janela, base_ - i), bloco);
            for (const qint64 v : bloco)
                f(v);
        }
        for (const qint64 v : recentes_)
            f(v);
    }
    // Why the temporary file failed; empty while it has not.
    QString erro() const { return erro_; }

private:
    static constexpr qint64 janela = 4096;
    void guardar(qint64 i, const qint64* v, qint64 n);
    void ler(qint64 i, qint64 n, std::vector<qint64>& v);
    void falhar();

    std::vector<qint64> recentes_; // from number `base_` on
    qint64 base_ = 0;
    std::unique_ptr<QTemporaryFile> arquivo_;
    QString erro_;
};

class Compressores;
struct TarefaCompressao;

// The text key of a picture that tells the file it was read from: a PNG the
// writer finds unchanged (the same size and modification time, the same
// width and height) goes into the PDF with its compressed rows as they are,
// without being compressed again.
inline constexpr char origem_imagem[] = "papelada-arquivo";

// A page laid out by a writer that writes no file (Escritor::SoPrevisao), to
// be taken whole by the writer of the document (Escritor::adotar_pagina):
// its content, with the names of its fonts and pictures left out, and the
// codes it gave its glyphs, which that writer must give them too.
struct PaginaPrevista {
    QByteArray conteudo;
    bool texto_aberto = false; // the content ends inside a text object
    struct Evento {
        enum class Tipo : quint8 { Fonte, Codigo };
        Tipo tipo;
        int valor;             // the font's tag; for a code, the font's place in its chain
        quint32 glifo = 0;     // a code: the glyph, its character and code
        char16_t caractere = 0;
        int codigo = 0;
    };
    std::vector<Evento> eventos; // in the order the page drew them
    // Where a name goes: of the `elo`-th font of the chain of the font
    // tagged `fonte`, or, when `fonte` is -1, of `imagem`, or of the PNG
    // file `arquivo` taken as it is (see imagem_png) when one is named.
    struct Remendo {
        qsizetype posicao;
        int fonte;
        int elo;
        QImage imagem;
        QString arquivo = {};
        QSize tamanho = {};
    };
    std::vector<Remendo> remendos; // by position
};

class Escritor {
public:
    // Writes to `saida`, which stays the caller's; nothing is written before
    // the first page begins. With more than one thread (`fios`; 0 takes
    // fios_de_trabalho()) streams are compressed on worker threads while the
    // next pages are drawn, and the file comes out byte for byte as with one.
    explicit Escritor(QIODevice* saida, const QString& titulo = QStringLiteral("Papelada"), int fios = 0);
    // A writer that writes no file: it lays pages out for another writer to
    // take (adotar_pagina). Every code is given out as if the page were the
    // document's first, and fonts are told by the tag set with
    // etiquetar_fonte() before their glyphs.
    struct SoPrevisao {};
    explicit Escritor(SoPrevisao);
    ~Escritor();
    Escritor(const Escritor&) = delete;
    Escritor& operator=(const Escritor&) = delete;

    // Begins a page of this size in twips; a page still open ends first.
    void iniciar_pagina(double largura, double altura);
    int paginas() const { return static_cast<int>(paginas_.tamanho()) + (pagina_aberta_ ? 1 : 0); }

    // Glyphs of `fonte`, each at its position from `origem` (on the
    // baseline); `caracteres` is the character each glyph stands for (0 when
    // none). `negrito`/`italico` make up a style that the face lacks.
    // `naturais`: the glyphs are on one baseline, each where the advance of
    // the one before leaves it, which the writer then takes without looking;
    // such glyphs need no positions (`posicoes` may be null).
    void glifos(const QRawFont& fonte, const quint32* indices, const QPointF* posicoes,
                const char16_t* caracteres, qsizetype n, QPointF origem, const QColor& cor,
                bool negrito = false, bool italico = false, bool naturais = false);
    void retangulo_cheio(const QRectF& r, const QColor& cor);
    // A line, or the outline of a box, `largura` twips wide with square ends;
    // dotted lines have dots as long as the line is wide.
    void linha(QPointF a, QPointF b, const QColor& cor, double largura, bool pontilhada, bool caixa);
    // A picture stretched over `destino`. The same picture drawn again is
    // written once.
    void imagem(const QImage& imagem, const QRectF& destino);
    // The PNG file at `caminho`, `tamanho` pixels as its header says,
    // stretched over `destino` with its compressed rows as they are, never
    // decoded; false, and nothing drawn, for a file whose rows cannot go in
    // so (see origem_imagem) or one whose rows are not whole. Laying a page
    // out, the file is named for the writer that takes the page.
    bool imagem_png(const QString& caminho, QSize tamanho, const QRectF& destino);

    // The tag of the font of the glyphs that follow (see SoPrevisao).
    void etiquetar_fonte(int etiqueta) { etiqueta_ = etiqueta; }
    // Ends the page laid out (see SoPrevisao), handing it over to `pagina`.
    void concluir_previsao(PaginaPrevista& pagina);
    // Takes `pagina` as the open page, on which nothing has been drawn yet
    // (and nothing is drawn after), when this writer's fonts give every
    // glyph the code it was given there; `fontes[tag]` is this writer's face
    // for a tagged font. False otherwise: the page is then to be drawn here,
    // and the fonts and pictures it met are as its drawing leaves them.
    bool adotar_pagina(const PaginaPrevista& pagina, const std::vector<QRawFont>& fontes);

    // Ends the last page and writes what the pages share and the file's
    // tables. False when the output failed (see erro()).
    bool terminar();
    bool falhou() const { return falhou_; }
    QString erro() const { return erro_; }
    // What the document lost without failing: faces whose text had to be
    // drawn as outlines, or left without their font program.
    QStringList avisos() const { return avisos_; }

private:
    struct Face;
    struct Recurso;

    // A stream in the hands of the compressing threads, and what the file
    // holds after it up to the next such stream: bytes, and the objects that
    // begin among them (object, offset in `depois`).
    struct Pendente {
        int objeto;
        qsizetype tamanho; // bytes given to compress
        QByteArray dicionario;
        std::shared_ptr<TarefaCompressao> tarefa;
        QByteArray depois;
        std::vector<std::pair<int, qsizetype>> marcas;
    };

    // Objects and the file's tables (objetos.cpp).
    int novo_objeto();
    void iniciar_objeto(int n);
    void iniciar_arquivo();
    // Bytes at the end of the file, after the streams still pending.
    void escrever(const QByteArray& dados);
    void escrever(const char* dados, qsizetype n);
    // Bytes into the output itself, at `posicao_`.
    void emitir(const char* dados, qsizetype n);
    void emitir(const QByteArray& dados) { emitir(dados.constData(), dados.size()); }
    void descarregar();
    // Bytes straight to the output, after those in the buffer.
    void gravar(const char* dados, qsizetype n);
    // Takes up a failure of the tables' temporary file as the writer's.
    void conferir_tabelas();
    void escrever_fluxo(int objeto, const QByteArray& dicionario, QByteArray dados, bool comprimir);
    // Writes out the pending streams that are done, in order: all of them
    // with `tudo`; else it stops at the first still being compressed, unless
    // the workers have fallen behind on it or too many bytes are in flight,
    // when it waits for that one (or compresses it itself).
    void entregar(bool tudo);
    // Page content (pagina.cpp).
    void terminar_pagina();
    void fechar_texto();
    // Sets the colour of fills, or of strokes, unless it is already set.
    void definir_cor(const QColor& cor, bool traco);
    // Colour of glyphs; a made-up bold also strokes them `tamanho` / 30 wide.
    void tinta(const QColor& cor, bool negrito, double tamanho);
    void largura_traco(double largura);
    // Room a stretch's font and text matrix take (see posicionar_trecho).
    static qsizetype espaco_trecho(const Recurso& seg);
    // Writes at `p`, in room kept in the page, the font `seg` (of the chain
    // that starts at `primeiro`) when it is not the current one, and the
    // text matrix that puts a stretch at `origem`; returns where they end.
    char* posicionar_trecho(char* p, Recurso& primeiro, Recurso& seg, QPointF origem, bool italico);
    // Writes a stretch of glyphs at their natural advances in `seg`, a font
    // of the chain that starts at `primeiro`, from glyph `k`, whose code is
    // `codigo`, at `origem`, for as long as the glyphs have codes in `seg`.
    // Returns where the stretch ends.
    qsizetype string_natural(Recurso& primeiro, Recurso& seg, int codigo, const quint32* indices,
                             const char16_t* caracteres, qsizetype k, qsizetype n, QPointF origem,
                             bool italico);
    void contornos(const QRawFont& fonte, const quint32* indices, const QPointF* posicoes, qsizetype n,
                   QPointF origem, const QColor& cor, bool negrito, bool italico);
    // The picture's XObject, written the first time these pixels are drawn.
    QByteArray objeto_imagem(const QImage& imagem);
    // The same for a picture read from a PNG file (see origem_imagem) whose
    // compressed rows can go into the file as they are: an empty name when
    // they cannot.
    QByteArray objeto_png(const QImage& imagem);
    QByteArray objeto_png(const QString& caminho, QSize tamanho);
    // Draws the picture named `nome`, or, laying a page out, the picture
    // `prevista`.
    void desenhar_imagem(const QRectF& destino, const QByteArray& nome, const QImage& prevista = {});
    // Fonts (fontes.cpp).
    Recurso& recurso_para(const QRawFont& fonte);
    Recurso& novo_recurso(Face& face, const QRawFont& fonte);
    Recurso& proximo_recurso(Recurso& cheio);
    // The font of the chain that starts at `primeiro` where glyph `g` has
    // its code (given out now if it had none), or null for no glyph of the
    // face.
    Recurso* onde(Recurso& primeiro, quint32 g, char16_t caractere, int* codigo);
    // The place of `r` in the chain that starts at `primeiro` (-1: not in it).
    static int elo(const Recurso& primeiro, const Recurso* r);
    // Takes back every code given out (a writer that only lays pages out
    // starts each page afresh).
    void esquecer_codigos();
    Face& face_para(const QRawFont& fonte);
    // The glyph of `face`'s OpenType copy that stands for glyph `g` of
    // `fonte`, the character `caractere`.
    quint32 traduzir(const QRawFont& fonte, Face& face, quint32 g, char16_t caractere);
    void escrever_fontes();
    void escrever_face(Face& face);
    void escrever_recurso(Recurso& recurso);

    QIODevice* saida_;
    QString titulo_;
    QByteArray buffer_;
    qint64 posicao_ = 0;
    // What the file's identifier is made from: a checksum of every byte
    // written, and a digest of the digests of the pages' contents.
    quint32 crc_ = 0;
    QCryptographicHash resumo_{QCryptographicHash::Md5};
    // A page whose content equals an earlier page's (the copies of a report)
    // shows that page's content stream. Pages are told by a digest of their
    // content; at most `conteudos_maximos` are remembered.
    struct ChaveConteudo {
        quint64 hash;
        quint32 adler;
        qsizetype tamanho;
        bool operator==(const ChaveConteudo&) const = default;
    };
    friend size_t qHash(const ChaveConteudo& c, size_t semente) { return qHashMulti(semente, c.hash, c.adler, c.tamanho); }
    static constexpr qsizetype conteudos_maximos = 1 << 16;
    QHash<ChaveConteudo, int> conteudos_;
    qsizetype tamanho_pagina_anterior_ = 0;
    Tabela deslocamentos_; // by object number; -1 until written
    Tabela paginas_;       // each ended page's object
    bool iniciado_ = false;
    bool terminado_ = false;
    bool falhou_ = false;
    QString erro_;
    QStringList avisos_;
    int obj_catalogo_ = 0, obj_paginas_ = 0, obj_recursos_ = 0, obj_info_ = 0;
    // Null with one thread: streams are then compressed as they are written.
    std::unique_ptr<Compressores> compressores_;
    std::deque<Pendente> pendentes_;
    qint64 bytes_em_voo_ = 0; // their size before compression

    // Laying pages out for another writer.
    bool prevendo_ = false;
    PaginaPrevista prevista_;
    int etiqueta_ = -1, etiqueta_anotada_ = -1;

    // The page being drawn.
    bool pagina_aberta_ = false;
    bool pagina_virgem_ = false; // nothing drawn on it yet
    double largura_ = 0, altura_ = 0;
    QByteArray conteudo_;
    std::vector<unsigned char> codigos_; // of the stretch of glyphs being written
    // The x where the last stretch began, as written.
    double x_escrito_ = std::nan("");
    std::array<char, 24> x_texto_{};
    size_t x_tamanho_ = 0;
    bool texto_aberto_ = false;
    const Recurso* recurso_atual_ = nullptr;
    struct Cor {
        bool definida = false;
        QRgb rgb = 0;
    };
    Cor preenchimento_, traco_;
    double largura_linha_ = -1;
    int modo_texto_ = 0;
    int estilo_traco_ = -1; // 0 solid lines, 1 dotted lines, 2 solid glyph strokes; -1 unset

    // Fonts and pictures, shared by all pages.
    std::vector<std::unique_ptr<Face>> faces_;
    std::vector<std::unique_ptr<Recurso>> recursos_;
    QHash<QRawFont, Recurso*> por_fonte_;
    QRawFont ultima_fonte_;
    Recurso* ultimo_recurso_ = nullptr;
    struct Imagem {
        QByteArray nome;
        int objeto;
    };
    QHash<QByteArray, Imagem> imagens_; // by a digest of the pixels, or the file's path, size and time
    QHash<qint64, Imagem> imagens_por_chave_;
    QByteArray chave_png_; // of the file objeto_png() last looked at
    QByteArray png_lido_, png_linhas_; // room for objeto_png()
};

} // namespace papelada::pdf
