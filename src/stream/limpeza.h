// Files that must not outlive the program: temporary files and folders that
// a signal (SIGINT, SIGTERM, SIGHUP) would otherwise leave behind, and the
// bytes added to a file that was open before (standard output sent to a
// file). The handlers remove what is registered and cut such a file back,
// then let the signal end the program as it would have.
#pragma once

#include <QByteArray>
#include <QString>
#include <csignal>
#include <memory>
#include <sys/types.h>

class QTemporaryDir;

namespace papelada {

// Installs the handlers, once, and ignores SIGPIPE and SIGXFSZ: a closed
// pipe or a file size limit is then a write error that the writer reports.
void instalar_limpeza();

// Registers `caminho` (a file, or an empty folder removed after the files)
// for removal on a signal; the result is what `esquecer_temporario` takes
// (-1 when every place is in use: the path is then not guarded).
int registrar_temporario(const QByteArray& caminho, bool pasta = false);
// Registers the open file `fd` to be cut back to `tamanho` bytes.
int registrar_corte(int fd, off_t tamanho);
void esquecer_temporario(int registro);

// Registered for its lifetime.
class Temporario {
public:
    Temporario() = default;
    explicit Temporario(const QByteArray& caminho, bool pasta = false) : r_(registrar_temporario(caminho, pasta)) {}
    Temporario(int fd, off_t tamanho) : r_(registrar_corte(fd, tamanho)) {}
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

// Holds back SIGINT, SIGTERM and SIGHUP on this thread while a file or
// folder is made and registered (or made and unlinked at once). A signal
// that comes meanwhile, on whichever thread, is handled when the block ends
// and so removes what the block registered; a block begun while a signal is
// being handled waits for the program to end and makes nothing.
class Criacao {
public:
    Criacao();
    ~Criacao();
    Criacao(const Criacao&) = delete;
    Criacao& operator=(const Criacao&) = delete;

private:
    sigset_t antes_;
};

// A folder of its own in the temporary folder (named after `modelo`, as
// QTemporaryDir takes it, or the program when empty) for one file
// `arquivo`, which its user makes: both are removed on a signal, and the
// folder with whatever it holds when this goes.
class PastaTemporaria {
public:
    explicit PastaTemporaria(const QString& arquivo = {}, const QString& modelo = {});
    ~PastaTemporaria();
    PastaTemporaria(const PastaTemporaria&) = delete;
    PastaTemporaria& operator=(const PastaTemporaria&) = delete;

    bool valida() const;
    QString caminho() const;
    // Empty when no file was named or the folder could not be made.
    const QString& arquivo() const { return arquivo_; }

private:
    std::unique_ptr<QTemporaryDir> pasta_;
    Temporario guarda_pasta_, guarda_;
    QString arquivo_;
};

} // namespace papelada
