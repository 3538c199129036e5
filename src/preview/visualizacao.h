// The preview without its window: preparing a preview of the open report,
// drawing one page of it on a page image, and finding a text in it.
//
// The window keeps one EstadoVisualizacao and one page surface (usually a
// SuperficieImagem) for as long as the preview is open. Every page is the
// printed page: it begins where the page index says, with the metrics, font
// and colour that the print pass has there, and the shared metrics are left
// as they were.
#pragma once

#include "stream/estado.h"
#include "stream/fonte_bytes.h"
#include "stream/observador.h"
#include "stream/superficie.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <cstdint>

namespace papelada {

struct EstadoVisualizacao {
    double fator_zoom = 1.0;      // 1.0 at 100 %
    int percentual_zoom = 100;    // 40 to 180
    std::int32_t pagina_atual = 0; // page shown, from 1 (0 before the first)

    // The screen font at launch, before zoom ("" for the surface's own).
    QString fonte_tela;
    double tamanho_fonte_tela = 10;
    bool negrito_tela = false;
    bool italico_tela = false;

    // Search: the text, and the 0-based file offset of the hit (0 = none).
    QString texto_procurado;
    std::int64_t posicao_achada = 0;
    // 1-based file position of the first byte after the highlighted hit.
    std::int64_t fim_destaque = 0;
    // While the hit is being drawn: the report's colour, which comes back
    // after the hit or at the next page.
    bool destaque_aberto = false;
    QColor cor_fora_destaque;

    // The printer's paper source and the top margin, as the page index and
    // the print pass place the pages.
    Papel papel;

    // The margin boxes of the main window, in millimetres, as typed. The
    // page surface's scale origin is minus these margins.
    QString margem_esquerda_texto = QStringLiteral("0");
    QString margem_superior_texto = QStringLiteral("0");

    // The pictures of the report, each decoded once while the preview is
    // open.
    CacheImagens imagens = CacheImagens();

    // Caption of the preview window; ESC "0" changes it.
    QString titulo_janela = QStringLiteral("Visualização de Relatório");

    // True while a page is being drawn. A rendering asked for from inside
    // the events that a rendering lets run is not nested: it sets
    // `renderizar_de_novo`, and the running one draws the (new) current page
    // again before it returns.
    bool renderizando = false;
    bool renderizar_de_novo = false;
};

// "Visualizar", without the window: zoom 100 %, page 0, the page size and
// font of the printer copied to the page surface (with "Terminal" or
// "Courier New" at 10 points when the screen lacks the printer's font), the
// margins as the surface's scale origin, the metrics of the moment, and the
// page index built when it is not valid.
void iniciar_visualizacao(Documento& doc, Metricas& metricas, IndicePaginas& indice,
                          EstadoVisualizacao& vis, Superficie& impressora, Superficie& pagina,
                          Observador& observador);

// Draws page `vis.pagina_atual` (brought into 1 .. total_paginas) of
// `doc.nome_arquivo` on `pagina`: the file is opened, positioned at the
// page's start from the index and read up to the page's end. The surface is
// resized to the page and cleared first. Returns false when the file could
// not be opened (`erro` says why).
// `metricas` serve a page that the index holds no metrics for.
bool visualizar(const Documento& doc, const IndicePaginas& indice, EstadoVisualizacao& vis,
                const Metricas& metricas, Corrida& corrida, Superficie& pagina,
                Observador& observador, QString* erro = nullptr);

// The same from an open source positioned at the page's first byte, with
// the metrics, font and colour in force there; `limite`, when not 0, is the
// next page's first byte.
void visualizar(FonteBytes& fonte, const Documento& doc, EstadoVisualizacao& vis,
                const Metricas& inicio, Corrida& corrida, Superficie& pagina,
                Observador& observador, qint64 limite = 0, const EstiloTexto& estilo = {});

// Draws the pending text run at the pen (or in its run field) and empties it.
void vis_buffer(Corrida& corrida, Superficie& pagina);

// The page of `arquivo` in which the byte at 0-based file offset `offset`
// lies.
std::int32_t pagina_do_achado(const QString& arquivo, const IndicePaginas& indice, std::int64_t offset);

// The first occurrence of `procurado` at or after the 0-based offset
// `inicio`, letters compared without regard to case; the 0-based offset of
// the hit, or -1 (also for an empty text).
std::int64_t procurar_texto(const QByteArray& texto, const QString& procurado,
                            std::int64_t inicio);

} // namespace papelada
