// The one routine through which Papelada writes a file (PDF documents, PNG
// pages, copies, text copies, settings): the file appears complete or not at
// all, an older file at that path stays as it was until the new one is
// whole, and a file being read is never the target.
#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>

namespace papelada {

class Temporario;

// The checks made before a byte is written. `destino` is refused when it is
// a folder or something other than a regular file (a device swallows the
// bytes, a FIFO never ends), when it is one of `entradas` (the same device
// and node, reached by name, symbolic link or hard link), and when it is a
// symbolic link planted by another user in a world-writable sticky folder
// such as /tmp (the rule the kernel applies to such links); other symbolic
// links are followed, like cp. On success `real` (when given) receives the
// path that is written in the end.
bool conferir_destino(const QString& destino, const QStringList& entradas, QString* erro,
                      QString* real = nullptr);

// A file being written: a file without a name in the target's folder (or,
// where the file system has none, a hidden one removed on SIGINT, SIGTERM
// and SIGHUP), put over the target by `concluir`. The first bytes are
// written at once. Writes are buffered; a failed write, flush, close or rename
// is an error with the system's reason. Destroyed without `concluir`, the
// temporary file is removed and the target left alone.
//
// Standard output sent to a regular file is written in place instead
// (ArquivoSaida(STDOUT_FILENO)): `abrir` takes it only where nothing follows
// the bytes to come (at the end of the file, not appending) and it is none of
// `entradas`; destroyed without `concluir`, or on a signal, the file is cut
// back to what it held before.
class ArquivoSaida : public QIODevice {
public:
    explicit ArquivoSaida(QString destino);
    explicit ArquivoSaida(int descritor);
    ~ArquivoSaida() override;

    // Checks the target (conferir_destino) and creates the temporary file.
    bool abrir(QString* erro, const QStringList& entradas = {});
    // Writes what is buffered, makes it durable and puts the file in place.
    bool concluir(QString* erro = nullptr);
    // Removes the temporary file; the target stays as it was.
    void descartar();
    // A file that is only a step on the way elsewhere (to standard output)
    // is put in place whole, but not made to reach the disk.
    void setDuravel(bool sim) { duravel_ = sim; }

    const QString& destino() const { return destino_; }
    // The message of the first failure, for the user.
    const QString& erro() const { return erro_; }
    // A write has failed: asked by another thread than the writing one,
    // erro() may then be read, as it changes no more.
    bool falhou() const { return falhou_visto_.load(std::memory_order_acquire); }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* dados, qint64 n) override;

private:
    bool esvaziar();
    bool falhar_sistema(int codigo);
    bool abrir_no_lugar(const QStringList& entradas);
    QString mensagem(int codigo) const;

    QString destino_;
    QString real_;
    QString temporario_;
    QByteArray buffer_;
    QString erro_;
    std::unique_ptr<Temporario> guarda_;
    int fd_ = -1;
    int no_lugar_ = -1; // the file written in place, and where it began
    off_t inicio_ = 0;
    bool falhou_ = false;
    bool escrito_ = false;
    bool duravel_ = true;
    std::atomic<bool> falhou_visto_{false};
};

// "Não foi possível gravar o arquivo X: motivo."
QString erro_gravacao(const QString& arquivo, const QString& motivo);

} // namespace papelada
