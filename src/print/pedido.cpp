#include "print/pedido.h"

#include "analysis/indice.h"
#include "stream/numeros.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace papelada {

namespace {

std::optional<int> inteiro_digitado(const QString& texto, int minimo, int maximo)
{
    bool ok = false;
    const int v = QLocale::c().toInt(texto.trimmed(), &ok);
    if (!ok || v < minimo || v > maximo)
        return std::nullopt;
    return v;
}

QString milimetros(double mm)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(mm, 'f', 0);
}

} // namespace

std::optional<double> numero_digitado(const QString& texto)
{
    QString t = texto.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool margens_da_linha(const QString& texto, TextosPedido& textos)
{
    const QStringList partes = texto.split(u',');
    if (partes.size() != 2)
        return false;
    textos.margem_esquerda = partes[0];
    textos.margem_superior = partes[1];
    return true;
}

bool paginas_da_linha(const QString& texto, TextosPedido& textos)
{
    const QStringList partes = texto.split(u'-');
    if (partes.size() > 2)
        return false;
    textos.intervalo = true;
    textos.primeira = partes.first();
    textos.ultima = partes.last();
    return true;
}

std::optional<Recusa> validar_pedido(const TextosPedido& textos, const LimitesPedido& limites,
                                     PedidoImpressao& pedido)
{
    // A margin leaves some of the paper to print on.
    const auto margem = [](Campo campo, const QString& texto, double folha, double& valor) -> std::optional<Recusa> {
        const std::optional<double> mm = numero_digitado(texto);
        if (mm && *mm >= 0 && *mm * twips_por_mm < folha) {
            valor = *mm;
            return std::nullopt;
        }
        return Recusa{campo, texto, 0, folha / twips_por_mm};
    };
    if (auto r = margem(Campo::MargemEsquerda, textos.margem_esquerda, limites.largura_folha, pedido.margens.esquerda))
        return r;
    if (auto r = margem(Campo::MargemSuperior, textos.margem_superior, limites.altura_folha, pedido.margens.superior))
        return r;
    const std::optional<int> copias = inteiro_digitado(textos.copias, 1, copias_maximas);
    if (!copias)
        return Recusa{Campo::Copias, textos.copias, 1, copias_maximas};
    pedido.copias = *copias;
    pedido.todas = !textos.intervalo;
    if (!textos.intervalo)
        return std::nullopt;

    const int total = std::max(limites.total_paginas ? limites.total_paginas(pedido.margens) : 1, 1);
    const std::optional<int> primeira = inteiro_digitado(textos.primeira, 1, total);
    if (!primeira)
        return Recusa{Campo::PrimeiraPagina, textos.primeira, 1, double(total)};
    const std::optional<int> ultima = inteiro_digitado(textos.ultima, 1, total);
    if (!ultima)
        return Recusa{Campo::UltimaPagina, textos.ultima, 1, double(total)};
    if (*primeira > *ultima)
        return Recusa{Campo::PrimeiraPagina, textos.primeira, 1, double(total), true, *ultima};
    pedido.paginas = {double(*primeira), double(*ultima)};
    if (limites.indice && limites.indice->total_paginas == total)
        pedido.indice = limites.indice;
    return std::nullopt;
}

LimitesPedido limites_da_impressora(const Documento& doc, const Metricas& metricas, const Superficie& impressora,
                                    Observador& observador)
{
    LimitesPedido l;
    l.largura_folha = impressora.width();
    l.altura_folha = impressora.height();
    l.indice = std::make_shared<IndicePaginas>();
    l.total_paginas = [&doc, &metricas, &impressora, &observador, indice = l.indice](const MargensMm& margens) {
        Documento copia = doc;
        Papel papel = papel_da_impressora(impressora, {});
        papel.margem_superior = -static_cast<double>(origem_margem(margens.superior));
        papel.margem_esquerda = -static_cast<double>(origem_margem(margens.esquerda));
        *indice = {};
        examinar(copia, metricas, impressora, papel, *indice, observador);
        observador.quadro({}, false);
        return indice->total_paginas;
    };
    return l;
}

QString texto_recusa(const Recusa& r)
{
    switch (r.campo) {
    case Campo::MargemEsquerda:
    case Campo::MargemSuperior:
        return QStringLiteral("%1: digite um número de 0 a %2 mm (o tamanho do papel), com vírgula ou ponto.")
            .arg(r.campo == Campo::MargemEsquerda ? QStringLiteral("Margem Esquerda") : QStringLiteral("Margem Superior"),
                 milimetros(r.maximo));
    case Campo::Copias:
        return QStringLiteral("Cópias: digite um número inteiro de 1 a %1.").arg(copias_maximas);
    case Campo::PrimeiraPagina:
    case Campo::UltimaPagina:
        break;
    }
    if (r.ordem)
        return QStringLiteral("Páginas: a primeira (%1) vem depois da última (%2).").arg(r.valor.trimmed()).arg(r.ultima);
    const int total = static_cast<int>(r.maximo);
    return QStringLiteral("Páginas: digite números inteiros de 1 a %1. %2")
        .arg(total)
        .arg(total == 1 ? QStringLiteral("O relatório tem 1 página.")
                        : QStringLiteral("O relatório tem %1 páginas.").arg(total));
}

} // namespace papelada
