// Files that must not outlive the program: temporary files and folders that
// a signal (SIGINT, SIGTERM, SIGHUP) would otherwise leave behind. The
// handlers remove what is registered, then let the signal end the program
// as it would have.
#pragma once

#include <QByteArray>

namespace papelada {

// Installs the handlers, once, and ignores SIGPIPE: a closed pipe is then a
// write error that the writer reports.
void instalar_limpeza();

// Registers `caminho` (a file, or an empty folder removed after the files)
// for removal on a signal; the result is what `esquecer_temporario` takes
// (-1 when every place is in use: the path is then not guarded).
int registrar_temporario(const QByteArray& caminho, bool pasta = false);
void esquecer_temporario(int registro);

// Registered for its lifetime.
class Temporario {
public:
    Temporario() = default;
    explicit Temporario(const QByteArray& caminho, bool pasta = false) : r_(registrar_temporario(caminho, pasta)) {}
    ~Temporario() { esquecer_temporario(r_); }
    Temporario(const Temporario&) = delete;
    Temporario& operator=(const Temporario&) = delete;
    Temporario& operator=(Temporario&& o) noexcept
    {
        esquecer_temporario(r_);
        r_ = o.r_;
        o.r_ = -1;
        return *this;
    }

private:
    int r_ = -1;
};

} // namespace papelada
