// The bytes of a spool file, read front to back through a buffer.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <span>

namespace papelada {

class FonteBytes {
public:
    FonteBytes() = default;
    FonteBytes(const FonteBytes&) = delete;
    FonteBytes& operator=(const FonteBytes&) = delete;

    // Opens a regular file (never a directory, FIFO or device). On failure
    // returns false and, when asked, a message for the user.
    bool abrir(const QString& caminho, QString* erro = nullptr);
    // Reads from bytes held in memory instead of a file.
    void usar_memoria(QByteArray dados);
    void fechar();
    bool aberto() const { return aberto_; }

    // Length of the file when it was opened.
    qint64 tamanho() const { return tamanho_; }
    // 1-based position of the last byte read; 0 before the first read.
    qint64 posicao() const { return posicao_; }
    // The next byte read is the one at the 1-based position `pos`.
    bool posicionar(qint64 pos);

    // The last byte of a file is never handed out, except to a reader that
    // asks for it here (the page index looks at every byte).
    void incluir_ultimo_byte(bool sim) { incluir_ultimo_ = sim; }

    // Next byte; false at the end.
    bool ler(unsigned char& c)
    {
        if (posicao_ >= limite())
            return false;
        if (indice_ >= carregados_ && !recarregar())
            return false;
        c = static_cast<unsigned char>(dados_[indice_++]);
        ++posicao_;
        return true;
    }

    // False, with a message, when the file was not read as it was opened: a
    // read failed, or the file changed size meanwhile. A reader that ends
    // asks before it reports success, so that the end of what could be read
    // is never taken for the end of the report.
    bool integro(QString* erro = nullptr) const;

    // The bytes that can be read now without touching the file (possibly
    // empty at the end); `avancar` consumes the first n of them.
    std::span<const unsigned char> janela()
    {
        if (posicao_ >= limite() || (indice_ >= carregados_ && !recarregar()))
            return {};
        const qint64 resto = limite() - posicao_;
        const qsizetype n = static_cast<qsizetype>(std::min<qint64>(carregados_ - indice_, resto));
        return {reinterpret_cast<const unsigned char*>(dados_.constData()) + indice_, static_cast<size_t>(n)};
    }
    void avancar(qsizetype n)
    {
        indice_ += n;
        posicao_ += n;
    }
    // The next byte, not consumed, when it is already at hand; -1 when the
    // file must be read first, or at the end.
    int espiar() const
    {
        if (posicao_ >= limite() || indice_ >= carregados_)
            return -1;
        return static_cast<unsigned char>(dados_[indice_]);
    }

private:
    qint64 limite() const { return incluir_ultimo_ ? tamanho_ : tamanho_ - 1; }
    bool recarregar();

    QFile arquivo_;
    QString caminho_;
    QString falha_; // why the file was not read to its end
    QByteArray dados_;
    bool em_memoria_ = false;
    bool aberto_ = false;
    bool incluir_ultimo_ = false;
    qint64 tamanho_ = 0;
    qint64 posicao_ = 0;    // bytes consumed so far
    qsizetype indice_ = 0;     // next byte in dados_
    qsizetype carregados_ = 0; // valid bytes in dados_
};

} // namespace papelada
