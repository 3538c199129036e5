// The preview without its window: preparing a preview of the open report,
// drawing one page of it on a page image, and finding a text in it.
//
// The window keeps one EstadoVisualizacao and one page surface (usually a
// SuperficieImagem) for as long as the preview is open. Every page is the
// printed page: it begins where the page index says, with the metrics, font
// and colour that the print pass has there, and the shared metrics are left
// as they were.
#pragma once

#include <memory>

#include "stream/estado.h"
#include "stream/fonte_bytes.h"
#include "stream/observador.h"
#include "stream/superficie.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace papelada {

struct EstadoVisualizacao {
    double fator_zoom = 1.0;      // 1.0 at 100 %
    int percentual_zoom = 100;    // 40 to 180
    std::int32_t pagina_atual = 0; // page shown, from 1 (0 before the first)

    // Search: the text, and the 0-based file offset of the hit (0 = none).
    QString texto_procurado;
    std::int64_t posicao_achada = 0;

    // The printer's paper source and the top margin, as the page index and
    // the print pass place the pages.
    Papel papel;

    // The margin boxes of the main window, in millimetres, as typed. The
    // page surface's scale origin is minus these margins.
    QString margem_esquerda_texto = QStringLiteral("0");
    QString margem_superior_texto = QStringLiteral("0");

    // The pictures of the report, each decoded once while the preview is
    // open.
    std::shared_ptr<CacheImagens> imagens = std::make_shared<CacheImagens>();

    // Caption of the preview window; ESC "0" changes it.
    QString titulo_janela = QStringLiteral("Visualização de Relatório");

    // True while a page is being drawn. A rendering asked for from inside
    // the events that a rendering lets run is not nested: it sets
    // `renderizar_de_novo`, and the running one draws the (new) current page
    // again before it returns.
    bool renderizando = false;
    bool renderizar_de_novo = false;
};

// "Visualizar", without the window: zoom 100 %, page 0, the page surface
// of the printer's page size, the metrics of the moment, and the page index
// built when it is not valid or was built on other paper.
void iniciar_visualizacao(Documento& doc, Metricas& metricas, IndicePaginas& indice,
                          EstadoVisualizacao& vis, Superficie& impressora, Superficie& pagina,
                          Observador& observador);

// Draws page `vis.pagina_atual` (brought into 1 .. total_paginas) of
// `doc.nome_arquivo` on `pagina` as the printer prints it, at the zoom: the
// print pass itself, begun at the page's start from the index and stopped
// where the next page begins, on the printer the index was built on. Then
// the page edges are marked (screen only). Returns false when the file
// could not be opened (`erro` says why). `metricas` serve when the index
// is empty.
bool visualizar(const Documento& doc, const IndicePaginas& indice, EstadoVisualizacao& vis,
                const Metricas& metricas, Corrida& corrida, Superficie& pagina,
                Observador& observador, QString* erro = nullptr);

// The page of `arquivo` in which the byte at 0-based file offset `offset`
// lies.
std::int32_t pagina_do_achado(const QString& arquivo, const IndicePaginas& indice, std::int64_t offset);

// The first occurrence of `procurado` at or after the 0-based offset
// `inicio`, letters compared without regard to case; the 0-based offset of
// the hit, or -1 (also for an empty text).
std::int64_t procurar_texto(const QByteArray& texto, const QString& procurado,
                            std::int64_t inicio);

} // namespace papelada
