// The options that enviar and vigiar share with imprimir: a page range and
// the margins. Each reader returns "" when the text is sound, otherwise what
// is wrong with it.
#pragma once

#include "print/trabalho.h"

#include <optional>

namespace papelada::cli {

QString ler_paginas(const QString& texto, std::optional<IntervaloPaginas>& paginas);
QString ler_margens(const QString& texto, std::optional<MargensMm>& margens);

} // namespace papelada::cli
