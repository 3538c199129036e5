// The print job: one pass of the print interpreter per copy, inside one
// print document, with margins, selected pages, progress and interruption.
#pragma once

#include "settings/configuracoes.h"
#include "stream/estado.h"
#include "stream/observador.h"
#include "stream/superficie.h"

#include <QString>

namespace papelada {

// What the main window's fields ask for (their texts, read as the window
// reads them).
struct PedidoImpressao {
    bool selecionar_paginas = false; // "Selecionar páginas"; may change while a pass runs
    QString primeira_pagina;         // Text1
    QString ultima_pagina;           // Text2
    QString copias;                  // Text3
    QString margem_esquerda = QStringLiteral("0"); // Text5, millimetres
    QString margem_superior = QStringLiteral("0"); // Text4
    bool encerrar_apos = false;      // "Encerrar após a Impressão"
    bool excluir_arquivo = false;    // "Excluir arquivo ao encerrar"
    QString linha_de_comando;        // the file named when the program started
    bool salvar_margens = true;      // the command-line tool never stores them
};

enum class FimTrabalho {
    Impresso,  // EndDoc; the report was measured again
    Encerrar,  // EndDoc; the program is to end (the spool file deleted if asked)
    Cancelado, // "Interromper": the document was cancelled, nothing printed;
               // the report was measured again
    Falhou,    // the spool file could not be read (nothing printed), or the
               // printer refused the document (the report was measured again)
};

struct ResultadoTrabalho {
    FimTrabalho fim = FimTrabalho::Impresso;
    QString erro; // for Falhou, a message for the user; the job shows none itself
};

// The spool file is checked before anything is drawn; each pass then opens
// it again from its first byte, and a file that has gone by then cancels the
// document.
ResultadoTrabalho Command1_Click(Documento& doc, Metricas& metricas, Superficie& impressora,
                                 PedidoImpressao& pedido, Observador& observador,
                                 FonteEscolhida* dialogo = nullptr);

} // namespace papelada
