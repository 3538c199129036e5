#include "comum/apoio.h"

#include "stream/superficie.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcessEnvironment>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <algorithm>
#include <memory>

namespace papelada::teste {

QString dir_build() { return QStringLiteral(PAPELADA_DIR_BUILD); }
QString dir_fonte() { return QStringLiteral(PAPELADA_DIR_FONTE); }
QString cli() { return dir_build() + QStringLiteral("/papelada-cli"); }

QString pasta_temporaria()
{
    static std::unique_ptr<QTemporaryDir> d = std::make_unique<QTemporaryDir>();
    return d->path();
}

QSettings loja()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvel"), QStringLiteral("Papelada"));
}

QString gravar(const QString& nome, const QByteArray& dados)
{
    const QString caminho = pasta_temporaria() + u'/' + nome;
    QDir().mkpath(QFileInfo(caminho).path());
    QFile f(caminho);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(dados);
    return caminho;
}

QByteArray ler(const QString& caminho)
{
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString gravar_figura(const QString& nome, QSize tamanho, const QColor& cor)
{
    QImage figura(tamanho, QImage::Format_RGB32);
    figura.fill(cor);
    const QString caminho = pasta_temporaria() + u'/' + nome;
    return figura.save(caminho, "PNG") ? caminho : QString();
}

QList<QStringList> tabela(const QString& arquivo)
{
    QList<QStringList> linhas;
    for (const QByteArray& l : ler(dir_fonte() + QStringLiteral("/tests/casos/") + arquivo).split('\n'))
        if (!l.trimmed().isEmpty() && !l.startsWith('#'))
            linhas << QString::fromUtf8(l).split(u'\t');
    return linhas;
}

Resultado executar(const QString& programa, const QStringList& argumentos, int segundos, const QStringList& ambiente)
{
    QProcess p;
    QProcessEnvironment amb = QProcessEnvironment::systemEnvironment();
    for (const QString& v : ambiente)
        amb.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
    p.setProcessEnvironment(amb);
    p.start(programa, argumentos);
    if (!p.waitForStarted(10000))
        return {-1, {}, QStringLiteral("não foi possível executar %1: %2").arg(programa, p.errorString())};
    return concluir(p, segundos);
}

Resultado concluir(QProcess& p, int segundos)
{
    Resultado r;
    if (!p.waitForFinished(segundos * 1000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.codigo = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.saida = QString::fromUtf8(p.readAllStandardOutput());
    r.erros = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString rasterizar_png(const QString& pdf, int pagina, double dpi, Programa leitor, bool cinza)
{
    static int vez = 0;
    const QString base = pasta_temporaria() + QStringLiteral("/pagina%1").arg(++vez), png = base + QStringLiteral(".png");
    const QString n = QString::number(pagina), r = QString::number(dpi);
    const Resultado feito = leitor == Programa::mupdf
        ? executar(QStringLiteral("mutool"), {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"), r,
                                              QStringLiteral("-c"), cinza ? QStringLiteral("gray") : QStringLiteral("rgb"),
                                              QStringLiteral("-o"), png, pdf, n})
        : executar(QStringLiteral("pdftoppm"), (cinza ? QStringList{QStringLiteral("-gray")} : QStringList{})
                                                   + QStringList{QStringLiteral("-r"), r, QStringLiteral("-f"), n,
                                                                 QStringLiteral("-l"), n, QStringLiteral("-singlefile"),
                                                                 QStringLiteral("-png"), pdf, base});
    return feito.codigo == 0 ? png : QString();
}

QImage rasterizar(const QString& pdf, int pagina, double dpi, Programa leitor, bool cinza)
{
    const QString png = rasterizar_png(pdf, pagina, dpi, leitor, cinza);
    if (png.isEmpty())
        return {};
    const QImage imagem(png);
    QFile::remove(png);
    return cinza ? imagem.convertToFormat(QImage::Format_Grayscale8) : imagem.convertToFormat(QImage::Format_RGB32);
}

int tinta(const QImage& imagem, QRect parte)
{
    parte = parte.isNull() ? imagem.rect() : parte & imagem.rect();
    int n = 0;
    for (int y = parte.top(); y <= parte.bottom(); ++y)
        for (int x = parte.left(); x <= parte.right(); ++x)
            n += qGray(imagem.pixel(x, y)) < 128;
    return n;
}

QString defeitos_pdf(const QString& pdf)
{
    const Resultado r = executar(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
    return r.codigo == 0 && r.saida.contains(QStringLiteral("No syntax or stream encoding errors"))
               ? QString()
               : r.saida + r.erros;
}

QList<Palavra> palavras_pdf(const QString& pdf)
{
    QList<Palavra> palavras;
    const Resultado r = executar(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression pagina(QStringLiteral("<page "));
    static const QRegularExpression palavra(QStringLiteral(
        "<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" yMax=\"([-0-9.]+)\">(.*)</word>"));
    int numero = 0;
    for (const QString& linha : r.saida.split(u'\n')) {
        if (linha.contains(pagina))
            ++numero;
        const auto m = palavra.match(linha);
        if (!m.hasMatch())
            continue;
        Palavra p;
        p.x_min = m.captured(1).toDouble();
        p.y_min = m.captured(2).toDouble();
        p.x_max = m.captured(3).toDouble();
        p.y_max = m.captured(4).toDouble();
        // "&amp;" last: "&amp;lt;" is the text "&lt;", not "<".
        p.texto = m.captured(5)
                      .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                      .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                      .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                      .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        p.pagina = numero;
        palavras << p;
    }
    return palavras;
}

QByteArray registro_impressora(const QByteArray& nome, int orientacao, int papel, int bandeja, int cor)
{
    QByteArray r(68, '\0');
    r.replace(0, std::min<qsizetype>(nome.size(), 32), nome.left(32));
    const auto p16 = [&r](int pos, int v) {
        r[pos] = static_cast<char>(v & 0xFF);
        r[pos + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    p16(44, orientacao);
    p16(46, papel);
    p16(56, bandeja);
    p16(60, cor);
    r[50] = '\n';
    r[52] = '\x0c';
    r[64] = '\x1b';
    return esc('D', r);
}

QByteArray registro_fonte(const QByteArray& nome, int tamanho, bool negrito, bool italico, bool sublinhado, bool riscado)
{
    QByteArray r(54, '\0');
    r.replace(6, std::min<qsizetype>(nome.size(), 33), nome.left(33));
    r[40] = static_cast<char>(tamanho);
    r[41] = negrito ? 1 : 0;
    r[42] = italico ? 3 : 0;
    r[43] = sublinhado ? 1 : 0;
    r[44] = riscado ? 1 : 0;
    r[47] = '\x0c';
    return esc('F', r);
}

QStringList ler_codigos(const QString& imagem)
{
    const Resultado r = executar(QStringLiteral("zbarimg"), {QStringLiteral("-q"), imagem});
    QStringList lidos;
    for (const QString& linha : r.saida.split(u'\n', Qt::SkipEmptyParts))
        lidos << linha.trimmed();
    lidos.sort();
    return lidos;
}

QString fonte_de(const Superficie& s)
{
    return s.fontName() + u' ' + QString::number(s.fontSize()) + (s.fontBold() ? " b" : "")
           + (s.fontItalic() ? " i" : "") + (s.fontUnderline() ? " u" : "") + (s.fontStrikethru() ? " s" : "");
}

int paginas_pdf(const QString& pdf)
{
    const Resultado r = executar(QStringLiteral("pdfinfo"), {pdf});
    static const QRegularExpression paginas(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto m = paginas.match(r.saida);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace papelada::teste
