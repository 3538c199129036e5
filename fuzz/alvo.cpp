// libFuzzer driver: FUZZ_ALVO (set at build time) names the entry point.
#include "alvos.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstring>

namespace {
const papelada::fuzz::Alvo* alvo = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The settings store of a fuzzing run is its own.
    static QTemporaryDir configuracao;
    qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());
    static QGuiApplication app(*argc, *argv);
    for (const auto& a : papelada::fuzz::alvos())
        if (std::strcmp(a.nome, FUZZ_ALVO) == 0)
            alvo = &a;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho)
{
    if (alvo)
        alvo->executar(QByteArray(reinterpret_cast<const char*>(dados), static_cast<qsizetype>(tamanho)));
    return 0;
}
