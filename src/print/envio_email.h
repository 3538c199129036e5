// A report sent as a PDF attachment through the desktop's mail program
// (xdg-email). The window's "Enviar por e-mail..." and papelada-cli enviar
// share it.
//
// The attachment lives in a private folder (mode 0700) of its own, named
// after the report (relatorio_vendas.spl gives relatorio_vendas.pdf), and is
// removed when the program ends, not before: some mail programs read an
// attachment only when the message is sent, long after xdg-email returned.
#pragma once

#include "print/trabalho_arquivo.h"

#include <functional>

namespace papelada {

// The attachment's name for a report: its file name with ".pdf" in place of
// the last extension ("relatorio.pdf" for a name without a base).
QString nome_do_anexo(const QString& relatorio);

// Prints `trabalho` (pages, margins; one copy) into the attachment on
// "Arquivo PDF" and sets `trabalho.pdf` to it, named after `nome` (the
// report's file when empty). Anything but Impresso leaves no folder behind.
ResultadoTrabalho fazer_anexo(TrabalhoArquivo& trabalho, Observador& observador, const QString& nome = {});

// Hands `pdf` to the mail program with the subject `assunto` and, when not
// empty, the address `para`. `fim` is called once, with "" when the mail
// program took the message, otherwise with a message for the user; it may be
// called before this returns (no mail program at all).
void abrir_email(const QString& pdf, const QString& assunto, const QString& para,
                 std::function<void(const QString& erro)> fim);

// An address that can go on xdg-email's command line: not empty, and not
// taken for an option.
bool endereco_aceitavel(const QString& para);

} // namespace papelada
