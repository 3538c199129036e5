// Measurement of an opened report: settles printer, font and character
// metrics, acts on the report's own printer (ESC "D") and font (ESC "F")
// records, measures the first page and warns when it does not fit the paper.
#pragma once

#include "analysis/papel.h"
#include "settings/configuracoes.h"
#include "stream/estado.h"
#include "stream/observador.h"
#include "stream/superficie.h"

#include <QStringList>

namespace papelada {

struct Medicao {
    double largura_relatorio = 0; // widest extent of the first page, twips
    double altura_relatorio = 0;  // lowest extent
    QString papel;                // paper name when ESC "D" named one
    QStringList avisos;           // fit warnings, in the order shown
    QStringList mensagens;        // texts of ESC "0"
    // The report chose an installed printer (ESC "D") or its font (ESC "F"):
    // the window's printer or font controls are disabled.
    bool impressora_do_relatorio = false;
    bool fonte_do_relatorio = false;
    bool arquivo_lido = false;    // false when the file could not be opened
    QString erro;                 // and why, for the user
};

struct OpcoesMedicao {
    // The caller chose the printer explicitly (the command line's --pdf or
    // --impressora): ESC "D" still sets paper, source and orientation, but
    // does not move the output to another printer.
    bool manter_impressora = false;
};

Medicao medir_relatorio(const Documento& doc, Metricas& metricas, Superficie& impressora,
                        Observador& observador, FonteEscolhida* dialogo = nullptr,
                        const OpcoesMedicao& opcoes = {});

// After a report is opened and measured: a tractor-fed form is printed from
// its top left corner, so the margins are zero.
void margens_do_trator(const Superficie& impressora, Documento& doc);

// Opens the report named by `doc.nome_arquivo` as the program does when it
// starts with a file: the stored margins, the measurement, then the margins
// of a tractor-fed form.
Medicao abrir_relatorio(Documento& doc, Metricas& metricas, Superficie& impressora,
                        Observador& observador, FonteEscolhida* dialogo = nullptr,
                        const OpcoesMedicao& opcoes = {});

} // namespace papelada
