// The syntax of a PDF file: numbers, strings, object references and
// compressed streams. The writer's objects, cross-reference table and trailer
// are in objetos.cpp.
#pragma once

#include "pdf/escritor.h"

#include <QByteArray>
#include <QString>
#include <initializer_list>

namespace papelada::pdf {

void inteiro(QByteArray& s, long long v);
// "N 0 R".
QByteArray ref(int objeto);
// `v` in `digitos` hexadecimal digits.
void hexadecimal(QByteArray& s, unsigned v, int digitos);
// A byte inside a literal string, escaped where the string's syntax needs it.
void byte_literal(QByteArray& s, unsigned char c);
// A PDF text string: literal when it is plain ASCII, UTF-16 otherwise.
QByteArray texto_pdf(const QString& t);

// Appends `v` to `s` as a PDF number with at most three decimals, within
// plus or minus 1e8 (a number that is not finite is 0).
void numero(QByteArray& s, double v);
// The same at `p`, which has room for `numero_maximo` bytes; returns the end.
inline constexpr int numero_maximo = 24;
char* numero(char* p, double v);
// Appends numbers separated by spaces.
void numeros(QByteArray& s, std::initializer_list<double> v);

} // namespace papelada::pdf
