#include "pdf/objetos.h"

#include "pdf/compressao.h"
#include "pdf/fontes.h"
#include "stream/limpeza.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QIODevice>
#include <QTemporaryFile>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <cmath>
#include <libdeflate.h>

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

char* numero(char* p, double v)
{
    if (!std::isfinite(v))
        v = 0;
    // Thousandths, halves away from zero: the part cut off is exact.
    const double t = std::clamp(v, -limite, limite) * 1000;
    long long m = static_cast<long long>(t);
    if (const double resto = t - static_cast<double>(m); resto >= 0.5)
        ++m;
    else if (resto <= -0.5)
        --m;
    if (m < 0) {
        *p++ = '-';
        m = -m;
    }
    p = std::to_chars(p, p + 16, m / 1000).ptr;
    if (const int fracao = static_cast<int>(m % 1000); fracao != 0) {
        const char d[3] = {char('0' + fracao / 100), char('0' + fracao / 10 % 10), char('0' + fracao % 10)};
        const int n = d[2] != '0' ? 3 : d[1] != '0' ? 2 : 1;
        *p++ = '.';
        std::memcpy(p, d, static_cast<size_t>(n));
        p += n;
    }
    return p;
}

void numero(QByteArray& s, double v)
{
    char b[numero_maximo];
    s.append(b, numero(b, v) - b);
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

namespace {

QByteArray cabecalho_objeto(int n)
{
    QByteArray s;
    inteiro(s, n);
    return s.append(" 0 obj\n");
}

// What comes between a stream object's header and its bytes.
QByteArray abertura_fluxo(const QByteArray& dicionario, bool filtro, qsizetype tamanho)
{
    QByteArray s = "<< ";
    s.append(dicionario);
    if (filtro)
        s.append(" /Filter /FlateDecode");
    s.append(" /Length ");
    inteiro(s, tamanho);
    return s.append(" >>\nstream\n");
}

constexpr char fim_fluxo[] = "\nendstream\nendobj\n";

// When the document was made: SOURCE_DATE_EPOCH (seconds since 1970, UTC)
// when it holds a whole number, so that a build of the same report gives the
// same file, otherwise now.
QDateTime data_do_documento()
{
    const QByteArray epoca = qgetenv("SOURCE_DATE_EPOCH").trimmed();
    qint64 segundos = 0;
    const auto r = std::from_chars(epoca.constData(), epoca.constData() + epoca.size(), segundos);
    if (epoca.isEmpty() || r.ec != std::errc() || r.ptr != epoca.constData() + epoca.size() || segundos < 0
        || segundos > 253402300799) // 9999-12-31 23:59:59, the last date the field holds
        return QDateTime::currentDateTimeUtc();
    return QDateTime::fromSecsSinceEpoch(segundos, Qt::UTC);
}

// Bytes waiting to be compressed beyond which the writer waits, however
// many threads there are: large pictures stay few in memory.
constexpr qint64 bytes_em_voo_maximos = 64 << 20;
// Bytes written after a pending stream go out with it; a block this large
// waits for nothing.
constexpr qsizetype bloco_direto = 64 << 10;

} // namespace

Tabela::Tabela() = default;
Tabela::~Tabela() = default;

void Tabela::acrescentar(qint64 v)
{
    recentes_.push_back(v);
    if (recentes_.size() < 2 * janela)
        return;
    // The oldest half goes to the file; numbers are seldom set once they
    // are this far behind.
    guardar(base_, recentes_.data(), janela);
    recentes_.erase(recentes_.begin(), recentes_.begin() + janela);
    base_ += janela;
}

void Tabela::definir(qint64 i, qint64 v)
{
    if (i >= base_)
        recentes_[static_cast<size_t>(i - base_)] = v;
    else
        guardar(i, &v, 1);
}

void Tabela::guardar(qint64 i, const qint64* v, qint64 n)
{
    if (!erro_.isEmpty())
        return;
    if (!arquivo_) {
        // Gone from the folder at once: nothing is left behind however the
        // program ends.
        const Criacao bloco;
        arquivo_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/papelada-XXXXXX"));
        if (!arquivo_->open())
            return falhar();
        if (QFile::remove(arquivo_->fileName()))
            arquivo_->setAutoRemove(false);
    }
    const qint64 bytes = n * static_cast<qint64>(sizeof *v);
    if (!arquivo_->seek(i * static_cast<qint64>(sizeof *v))
        || arquivo_->write(reinterpret_cast<const char*>(v), bytes) != bytes)
        falhar();
}

void Tabela::ler(qint64 i, qint64 n, std::vector<qint64>& v)
{
    v.assign(static_cast<size_t>(n), -1);
    if (!erro_.isEmpty())
        return;
    const qint64 bytes = n * static_cast<qint64>(sizeof(qint64));
    if (!arquivo_->seek(i * static_cast<qint64>(sizeof(qint64)))
        || arquivo_->read(reinterpret_cast<char*>(v.data()), bytes) != bytes)
        falhar();
}

void Tabela::falhar()
{
    erro_ = QStringLiteral("não foi possível usar o arquivo temporário %1: %2")
                .arg(arquivo_->fileName(), arquivo_->errorString());
}

Escritor::Escritor(QIODevice* saida, const QString& titulo, int fios) : saida_(saida), titulo_(titulo)
{
    // Threads asked for are used whatever the load; the default ones only
    // while the machine has cores to spare.
    const bool padrao = fios <= 0;
    if (padrao)
        fios = fios_de_trabalho();
    if (fios > 1) {
        // The thread that draws is one of them: it compresses too when it
        // has to wait.
        compressores_ = std::make_unique<Compressores>(fios - 1, padrao);
    }
}

Escritor::Escritor(SoPrevisao) : saida_(nullptr), prevendo_(true) {}

// Streams still being compressed are dropped with the workers: a document
// thrown away writes nothing more.
Escritor::~Escritor() = default;

int Escritor::novo_objeto()
{
    deslocamentos_.acrescentar(-1);
    return static_cast<int>(deslocamentos_.tamanho()) - 1;
}

void Escritor::iniciar_objeto(int n)
{
    // Behind a pending stream the object's offset is known once that
    // stream is written.
    if (pendentes_.empty())
        deslocamentos_.definir(n, posicao_);
    else
        pendentes_.back().marcas.emplace_back(n, pendentes_.back().depois.size());
    escrever(cabecalho_objeto(n));
}

void Escritor::escrever(const char* dados, qsizetype n)
{
    // A large block (a picture's compressed rows) is not held in memory
    // behind streams still being compressed: they are finished first.
    if (n >= bloco_direto && !pendentes_.empty())
        entregar(true);
    if (pendentes_.empty())
        emitir(dados, n);
    else
        pendentes_.back().depois.append(dados, n);
}

void Escritor::escrever(const QByteArray& dados)
{
    escrever(dados.constData(), dados.size());
}

void Escritor::emitir(const char* dados, qsizetype n)
{
    crc_ = libdeflate_crc32(crc_, dados, static_cast<size_t>(n));
    posicao_ += n;
    // A block as large as the buffer (a picture) goes out as it is, without
    // a copy.
    if (n >= (1 << 20)) {
        descarregar();
        gravar(dados, n);
        return;
    }
    buffer_.append(dados, n);
    if (buffer_.size() >= (1 << 20))
        descarregar();
}

void Escritor::gravar(const char* dados, qsizetype n)
{
    if (n > 0 && !falhou_ && (!saida_ || saida_->write(dados, n) != n)) {
        falhou_ = true;
        erro_ = saida_ ? saida_->errorString() : QString();
    }
}

void Escritor::descarregar()
{
    gravar(buffer_.constData(), buffer_.size());
    buffer_.truncate(0); // its room stays for the next megabyte
    conferir_tabelas();
}

void Escritor::conferir_tabelas()
{
    if (falhou_)
        return;
    for (const Tabela* t : {&deslocamentos_, &paginas_}) {
        if (!t->erro().isEmpty()) {
            falhou_ = true;
            erro_ = t->erro();
            return;
        }
    }
}

void Escritor::escrever_fluxo(int objeto, const QByteArray& dicionario, QByteArray dados, bool comprimido)
{
    if (comprimido && compressores_) {
        const qsizetype tamanho = dados.size();
        bytes_em_voo_ += tamanho;
        pendentes_.push_back({objeto, tamanho, dicionario, compressores_->enviar(std::move(dados)), {}, {}});
        entregar(false);
        return;
    }
    const QByteArray corpo = comprimido ? comprimir(dados) : QByteArray();
    const bool filtro = !corpo.isEmpty(); // else written as it is
    iniciar_objeto(objeto);
    escrever(abertura_fluxo(dicionario, filtro, filtro ? corpo.size() : dados.size()));
    escrever(filtro ? corpo : dados);
    escrever(fim_fluxo, sizeof fim_fluxo - 1);
}

void Escritor::entregar(bool tudo)
{
    if (tudo && compressores_)
        compressores_->publicar_resto();
    while (!pendentes_.empty()) {
        Pendente& p = pendentes_.front();
        if (!tudo && bytes_em_voo_ <= bytes_em_voo_maximos && !compressores_->atrasada(*p.tarefa)
            && !p.tarefa->pronta())
            return;
        compressores_->esperar(*p.tarefa);
        const bool filtro = !p.tarefa->resultado.isEmpty();
        const QByteArray& corpo = filtro ? p.tarefa->resultado : p.tarefa->dados;
        deslocamentos_.definir(p.objeto, posicao_);
        emitir(cabecalho_objeto(p.objeto) + abertura_fluxo(p.dicionario, filtro, corpo.size()));
        emitir(corpo);
        emitir(fim_fluxo, sizeof fim_fluxo - 1);
        for (const auto& [objeto, onde] : p.marcas)
            deslocamentos_.definir(objeto, posicao_ + onde);
        emitir(p.depois);
        bytes_em_voo_ -= p.tamanho;
        pendentes_.pop_front();
    }
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
    const QString data = data_do_documento().toString(QStringLiteral("yyyyMMddHHmmss"));
    escrever("<< /Producer (Papelada) /Creator (Papelada) /Title " + texto_pdf(titulo_)
             + " /CreationDate (D:" + data.toLatin1() + "Z) >>\nendobj\n");
}

bool Escritor::terminar()
{
    if (terminado_)
        return !falhou_;
    if (paginas() == 0)
        iniciar_pagina(11906, 16838); // an empty A4 page: a PDF has at least one
    terminar_pagina();
    terminado_ = true;
    escrever_fontes();

    QByteArray s = "<< /ProcSet [/PDF /Text /ImageB /ImageC] /Font <<";
    for (auto& r : recursos_)
        if (r->obj_fonte)
            s.append(" /").append(r->nome).append(' ').append(ref(r->obj_fonte));
    s.append(" >> /XObject <<");
    // In the order they were written: the same report gives the same file.
    std::vector<Imagem> imagens(imagens_.cbegin(), imagens_.cend());
    std::sort(imagens.begin(), imagens.end(), [](const Imagem& a, const Imagem& b) { return a.objeto < b.objeto; });
    for (const Imagem& i : imagens)
        s.append(" /").append(i.nome).append(' ').append(ref(i.objeto));
    s.append(" >> >>\nendobj\n");
    iniciar_objeto(obj_recursos_);
    escrever(s);

    // The lists of pages and of offsets go out a block at a time, so that a
    // long document takes no more memory at its end than while its pages
    // were drawn.
    const auto por_blocos = [this](QByteArray& s) {
        if (s.size() >= (64 << 10)) {
            escrever(s);
            s.truncate(0);
        }
    };
    iniciar_objeto(obj_paginas_);
    s = "<< /Type /Pages /Count " + QByteArray::number(paginas()) + " /Kids [";
    paginas_.percorrer([&](qint64 objeto) {
        inteiro(s, objeto);
        s.append(" 0 R ");
        por_blocos(s);
    });
    s.append("] >>\nendobj\n");
    escrever(s);

    entregar(true);
    const qint64 tabela = posicao_;
    s = "xref\n0 " + QByteArray::number(deslocamentos_.tamanho()) + "\n";
    deslocamentos_.percorrer([&](qint64 d) {
        if (d < 0) {
            s.append("0000000000 65535 f \n");
        } else {
            char entrada[] = "0000000000 00000 n \n";
            for (qint64 v = d, k = 9; k >= 0 && v > 0; --k, v /= 10)
                entrada[k] = static_cast<char>('0' + v % 10);
            s.append(entrada, sizeof entrada - 1);
        }
        por_blocos(s);
    });
    // The identifier comes from what the file holds: the same report makes
    // the same file.
    resumo_.addData(QByteArray::number(crc_) + ' ' + QByteArray::number(posicao_));
    const QByteArray id = resumo_.result().toHex().toUpper();
    s.append("trailer\n<< /Size " + QByteArray::number(deslocamentos_.tamanho()) + " /Root "
             + ref(obj_catalogo_) + " /Info " + ref(obj_info_) + " /ID [<" + id + "> <" + id + ">] >>\nstartxref\n"
             + QByteArray::number(tabela) + "\n%%EOF\n");
    escrever(s);
    descarregar();
    return !falhou_;
}

} // namespace papelada::pdf
