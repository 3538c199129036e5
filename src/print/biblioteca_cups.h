// The print service's library (libcups), loaded the first time a print
// service is used instead of when a program starts: printing into a PDF file,
// measuring a report or asking the version never pays for it and for the
// dozen libraries it brings along. Its headers still give the types.
#pragma once

#include <QString>
#include <cups/cups.h>
#include <cups/ppd.h>

namespace papelada {

// Every function of the library Papelada calls.
#define PAPELADA_FUNCOES_CUPS(F)                                                                        \
    F(cupsAddOption) F(cupsCancelJob2) F(cupsCopyDestInfo) F(cupsCreateJob) F(cupsDoRequest)             \
    F(cupsEncryption) F(cupsFindDestDefault) F(cupsFinishDocument) F(cupsFreeDestInfo) F(cupsFreeDests) \
    F(cupsFreeOptions) F(cupsGetDest) F(cupsGetDests2) F(cupsGetOption) F(cupsGetPPD3)                  \
    F(cupsLastErrorString) F(cupsMarkOptions) F(cupsParseOptions) F(cupsServer) F(cupsStartDocument)    \
    F(cupsWriteRequestData) F(httpAssembleURIf) F(httpClose) F(httpConnect2) F(ippAddString)            \
    F(ippAddStrings) F(ippDelete) F(ippFindAttribute) F(ippGetBoolean) F(ippGetInteger)                 \
    F(ippGetStatusCode) F(ippGetString) F(ippNewRequest) F(ippPort) F(ppdClose) F(ppdFindOption)        \
    F(ppdMarkDefaults) F(ppdOpenFile) F(ppdPageSize) F(pwgMediaForSize)

// The queue's PPD, the only source of its input slots' texts and of the
// filter's marked paper, is an interface CUPS marks as deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
struct LibCups {
#define PAPELADA_PONTEIRO_CUPS(nome) decltype(&::nome) nome = nullptr;
    PAPELADA_FUNCOES_CUPS(PAPELADA_PONTEIRO_CUPS)
#undef PAPELADA_PONTEIRO_CUPS
};
#pragma GCC diagnostic pop

// The library's functions, loaded once (by whichever thread asks first);
// nullptr when the library or one of its functions is missing, with the
// reason in erro_libcups() (lower case, no period, to follow a colon). Callers treat that as a print service that
// cannot be reached.
const LibCups* libcups();
QString erro_libcups();

// Loads the library `arquivo` into `funcoes`; false, with the reason in
// `erro`, when it cannot be opened or lacks a function.
bool carregar_libcups(const char* arquivo, LibCups& funcoes, QString& erro);

} // namespace papelada
