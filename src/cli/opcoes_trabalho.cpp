#include "cli/opcoes_trabalho.h"

#include "cli/comando.h"
#include "stream/numeros.h"

#include <QRegularExpression>

namespace papelada::cli {

QString ler_paginas(const QString& v, std::optional<IntervaloPaginas>& paginas)
{
    static const QRegularExpression intervalo(QStringLiteral("^([0-9]+)(?:-([0-9]+))?$"));
    const auto m = intervalo.match(v);
    const double primeira = m.hasMatch() ? valor_texto(m.captured(1)) : 0;
    const double ultima = m.captured(2).isEmpty() ? primeira : valor_texto(m.captured(2));
    if (!m.hasMatch() || primeira < 1 || primeira > ultima)
        return QStringLiteral("intervalo de páginas inválido: %1 (use, por exemplo, 2-5; a primeira página é 1).").arg(v);
    paginas = IntervaloPaginas{primeira, ultima};
    return {};
}

QString ler_margens(const QCommandLineParser& p, std::optional<MargensMm>& margens)
{
    if (!p.isSet(QStringLiteral("margens")))
        return {};
    const QString v = p.value(QStringLiteral("margens"));
    static const QRegularExpression numero(QStringLiteral("^\\s*[0-9]+(\\.[0-9]*)?\\s*$"));
    const QStringList partes = v.split(u',');
    if (partes.size() != 2 || !numero.match(partes[0]).hasMatch() || !numero.match(partes[1]).hasMatch())
        return QStringLiteral("margens inválidas: %1 (use ESQ,SUP em milímetros, por exemplo 10,15).").arg(v);
    margens = MargensMm{valor_texto(partes[0].trimmed()), valor_texto(partes[1].trimmed())};
    return {};
}

void ObservadorMensagens::mensagem(const QString& texto)
{
    if (!mostradas_.contains(texto))
        erros() << "Mensagem do relatório: " << texto << "\n";
    mostradas_.insert(texto);
}

void ObservadorMensagens::aviso(const QString& texto)
{
    erros() << "Aviso: " << QString(texto).replace(u'\n', u' ') << "\n";
}

void ObservadorMensagens::erro(const QString& texto) { erros() << "Erro: " << texto << "\n"; }

} // namespace papelada::cli
