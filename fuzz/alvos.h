// Entry points fuzzed with libFuzzer, one for each way the program reads a
// spool file. The same functions replay the kept corpus in the test suite,
// so every input that once crashed stays a test.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace papelada::fuzz {

struct Alvo {
    const char* nome; // also the corpus folder: fuzz/corpus/<nome>
    std::function<void(const QByteArray&)> executar;
};

const std::vector<Alvo>& alvos();

} // namespace papelada::fuzz
