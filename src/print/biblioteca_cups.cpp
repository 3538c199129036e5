#include "print/biblioteca_cups.h"

#include <dlfcn.h>

namespace papelada {

bool carregar_libcups(const char* arquivo, LibCups& funcoes, QString& erro)
{
    const auto falhar = [&](const QString& motivo) {
        erro = QStringLiteral("a biblioteca %1 do serviço de impressão %2").arg(QString::fromUtf8(arquivo), motivo);
        funcoes = {};
        return false;
    };
    // Loaded for good: the library keeps state of its own (the connection to
    // the scheduler, its last error) until the process ends.
    void* biblioteca = ::dlopen(arquivo, RTLD_NOW | RTLD_LOCAL);
    if (!biblioteca)
        return falhar(QStringLiteral("não pôde ser carregada (%1)").arg(QString::fromLocal8Bit(::dlerror())));
    const char* faltando = nullptr;
#define PAPELADA_RESOLVER_CUPS(nome)                                                                   \
    funcoes.nome = reinterpret_cast<decltype(funcoes.nome)>(::dlsym(biblioteca, #nome));               \
    if (!funcoes.nome && !faltando)                                                                     \
        faltando = #nome;
    PAPELADA_FUNCOES_CUPS(PAPELADA_RESOLVER_CUPS)
#undef PAPELADA_RESOLVER_CUPS
    if (faltando) {
        ::dlclose(biblioteca);
        return falhar(QStringLiteral("não tem a função %1").arg(QLatin1String(faltando)));
    }
    return true;
}

namespace {

struct Carga {
    LibCups funcoes;
    QString erro;
    bool carregada = false;
};

const Carga& carga()
{
    static const Carga c = [] {
        Carga nova;
        nova.carregada = carregar_libcups("libcups.so.2", nova.funcoes, nova.erro);
        return nova;
    }();
    return c;
}

} // namespace

const LibCups* libcups()
{
    const Carga& c = carga();
    return c.carregada ? &c.funcoes : nullptr;
}

QString erro_libcups()
{
    return carga().erro;
}

} // namespace papelada
