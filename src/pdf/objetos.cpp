#include "pdf/objetos.h"

#include "pdf/fontes.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QIODevice>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <zlib.h>

namespace papelada::pdf {

namespace {

// Coordinates far beyond any page are brought back to this many twips, so
// that every number written stays within what PDF readers take.
constexpr double limite = 1e8;

} // namespace

void inteiro(QByteArray& s, long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr - buf);
}

QByteArray ref(int objeto)
{
    QByteArray s;
    inteiro(s, objeto);
    s.append(" 0 R");
    return s;
}

// `v` in `digitos` hexadecimal digits.
void hexadecimal(QByteArray& s, unsigned v, int digitos)
{
    static const char simbolos[] = "0123456789ABCDEF";
    for (int d = digitos - 1; d >= 0; --d)
        s.append(simbolos[(v >> (4 * d)) & 15]);
}

// A byte inside a literal string, escaped where the string's syntax needs it.
void byte_literal(QByteArray& s, unsigned char c)
{
    switch (c) {
    case '(': s.append("\\("); break;
    case ')': s.append("\\)"); break;
    case '\\': s.append("\\\\"); break;
    case '\r': s.append("\\r"); break;
    case '\n': s.append("\\n"); break;
    default: s.append(static_cast<char>(c));
    }
}

// A PDF text string: literal when it is plain ASCII, UTF-16 otherwise.
QByteArray texto_pdf(const QString& t)
{
    const bool ascii = std::all_of(t.begin(), t.end(), [](QChar c) { return c.unicode() >= 32 && c.unicode() < 127; });
    QByteArray s;
    if (ascii) {
        s.append('(');
        for (QChar c : t)
            byte_literal(s, static_cast<unsigned char>(c.unicode()));
        return s.append(')');
    }
    s.append("<FEFF");
    for (QChar c : t)
        hexadecimal(s, c.unicode(), 4);
    return s.append('>');
}

// Streams are compressed for speed: the pages of a long report go out as
// fast as they are drawn.
QByteArray comprimir(const QByteArray& dados)
{
    uLongf tamanho = compressBound(static_cast<uLong>(dados.size()));
    QByteArray saida(static_cast<qsizetype>(tamanho), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(saida.data()), &tamanho,
                  reinterpret_cast<const Bytef*>(dados.constData()), static_cast<uLong>(dados.size()),
                  Z_BEST_SPEED) != Z_OK)
        return {};
    saida.truncate(static_cast<qsizetype>(tamanho));
    return saida;
}


void numero(QByteArray& s, double v)
{
    if (!std::isfinite(v))
        v = 0;
    v = std::clamp(v, -limite, limite);
    long long m = std::llround(v * 1000);
    if (m < 0) {
        s.append('-');
        m = -m;
    }
    inteiro(s, m / 1000);
    const int fracao = static_cast<int>(m % 1000);
    if (fracao) {
        char d[4] = {'.', char('0' + fracao / 100), char('0' + fracao / 10 % 10), char('0' + fracao % 10)};
        int n = 4;
        while (d[n - 1] == '0')
            --n;
        s.append(d, n);
    }
}

void numeros(QByteArray& s, std::initializer_list<double> v)
{
    bool primeiro = true;
    for (double x : v) {
        if (!primeiro)
            s.append(' ');
        primeiro = false;
        numero(s, x);
    }
}

Escritor::Escritor(QIODevice* saida, const QString& titulo) : saida_(saida), titulo_(titulo) {}

Escritor::~Escritor() = default;

int Escritor::novo_objeto()
{
    deslocamentos_.push_back(-1);
    return static_cast<int>(deslocamentos_.size()) - 1;
}

void Escritor::iniciar_objeto(int n)
{
    deslocamentos_[static_cast<size_t>(n)] = posicao_;
    QByteArray s;
    inteiro(s, n);
    s.append(" 0 obj\n");
    escrever(s);
}

void Escritor::escrever(const char* dados, qsizetype n)
{
    buffer_.append(dados, n);
    posicao_ += n;
    if (buffer_.size() >= (1 << 20))
        descarregar();
}

void Escritor::escrever(const QByteArray& dados)
{
    escrever(dados.constData(), dados.size());
}

void Escritor::descarregar()
{
    if (!buffer_.isEmpty() && !falhou_) {
        if (!saida_ || saida_->write(buffer_) != buffer_.size()) {
            falhou_ = true;
            erro_ = saida_ ? saida_->errorString() : QString();
        }
    }
    buffer_.clear();
}

void Escritor::escrever_fluxo(int objeto, const QByteArray& dicionario, const QByteArray& dados,
                              bool comprimido)
{
    iniciar_objeto(objeto);
    QByteArray corpo = comprimido ? comprimir(dados) : QByteArray();
    const bool filtro = comprimido && !corpo.isEmpty();
    if (!filtro)
        corpo = dados;
    QByteArray s = "<< ";
    s.append(dicionario);
    if (filtro)
        s.append(" /Filter /FlateDecode");
    s.append(" /Length ");
    inteiro(s, corpo.size());
    s.append(" >>\nstream\n");
    escrever(s);
    escrever(corpo);
    escrever("\nendstream\nendobj\n", 18);
}

// The file's header, catalogue and information, before the first page.
void Escritor::iniciar_arquivo()
{
    if (iniciado_)
        return;
    iniciado_ = true;
    novo_objeto(); // object 0, always free
    obj_catalogo_ = novo_objeto();
    obj_paginas_ = novo_objeto();
    obj_recursos_ = novo_objeto();
    obj_info_ = novo_objeto();
    escrever(QByteArray("%PDF-1.6\n%\xE2\xE3\xCF\xD3\n"));
    iniciar_objeto(obj_catalogo_);
    escrever("<< /Type /Catalog /Pages " + ref(obj_paginas_) + " >>\nendobj\n");
    iniciar_objeto(obj_info_);
    const QString data = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
    escrever("<< /Producer (Papelada) /Creator (Papelada) /Title " + texto_pdf(titulo_)
             + " /CreationDate (D:" + data.toLatin1() + "Z) >>\nendobj\n");
}

bool Escritor::terminar()
{
    if (terminado_)
        return !falhou_;
    if (paginas_.empty())
        iniciar_pagina(11906, 16838); // an empty A4 page: a PDF has at least one
    terminar_pagina();
    terminado_ = true;
    escrever_fontes();

    QByteArray s = "<< /ProcSet [/PDF /Text /ImageB /ImageC] /Font <<";
    for (auto& r : recursos_)
        if (r->obj_fonte)
            s.append(" /").append(r->nome).append(' ').append(ref(r->obj_fonte));
    s.append(" >> /XObject <<");
    for (const Imagem& i : std::as_const(imagens_))
        s.append(" /").append(i.nome).append(' ').append(ref(i.objeto));
    s.append(" >> >>\nendobj\n");
    iniciar_objeto(obj_recursos_);
    escrever(s);

    iniciar_objeto(obj_paginas_);
    s = "<< /Type /Pages /Count " + QByteArray::number(paginas()) + " /Kids [";
    for (const Pagina& p : paginas_)
        s.append(ref(p.objeto)).append(' ');
    s.append("] >>\nendobj\n");
    escrever(s);

    const qint64 tabela = posicao_;
    s = "xref\n0 " + QByteArray::number(static_cast<qlonglong>(deslocamentos_.size())) + "\n";
    for (const qint64 d : deslocamentos_) {
        if (d < 0)
            s.append("0000000000 65535 f \n");
        else
            s.append(QByteArray::number(d).rightJustified(10, '0')).append(" 00000 n \n");
    }
    const QByteArray id = QCryptographicHash::hash(
                              titulo_.toUtf8() + QByteArray::number(QDateTime::currentMSecsSinceEpoch())
                                  + QByteArray::number(posicao_),
                              QCryptographicHash::Md5)
                              .toHex()
                              .toUpper();
    s.append("trailer\n<< /Size " + QByteArray::number(static_cast<qlonglong>(deslocamentos_.size())) + " /Root "
             + ref(obj_catalogo_) + " /Info " + ref(obj_info_) + " /ID [<" + id + "> <" + id + ">] >>\nstartxref\n"
             + QByteArray::number(tabela) + "\n%%EOF\n");
    escrever(s);
    descarregar();
    return !falhou_;
}

} // namespace papelada::pdf
