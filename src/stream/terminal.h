// Text for a terminal. Report text (messages, paths, names from the file's
// records) may hold control characters that a terminal would obey: they are
// written as visible escapes instead.
#pragma once

#include <QByteArray>
#include <QIODevice>

namespace papelada {

// Writes UTF-8 text to a file descriptor, with every control character but
// line feed and tab written as "\xHH" (C0 and DEL) or "\u00HH" (C1).
class SaidaTerminal : public QIODevice {
public:
    explicit SaidaTerminal(int fd);
    bool isSequential() const override { return true; }

    // The escaped form of a piece of the text; a C1 character split between
    // two pieces is recognised through `c2_pendente`.
    static QByteArray escapar(const char* dados, qint64 n, bool& c2_pendente);
    // The system's error of the first write that failed; 0 when none did.
    int falha() const { return falha_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* dados, qint64 n) override;

private:
    int fd_;
    bool c2_pendente_ = false;
    int falha_ = 0;
};

} // namespace papelada
