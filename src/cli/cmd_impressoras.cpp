// papelada-cli impressoras: the system's print queues, one a line, with the
// paper each one prints on; the default queue is marked.
#include "analysis/medicao.h"
#include "cli/comando.h"
#include "print/superficie_impressora.h"

#include <QPageSize>

using namespace papelada;
using namespace papelada::cli;

namespace {

constexpr const char* uso_impressoras = "impressoras";

// The queue's default paper, by the name the window gives it.
QString papel_da_fila(const QString& fila)
{
    const SuperficieImpressora p(fila);
    const QSizeF polegadas(p.width() / 1440.0, p.height() / 1440.0);
    const QPageSize tamanho(polegadas, QPageSize::Inch, QString(), QPageSize::FuzzyMatch);
    const int codigo = tamanho.windowsId();
    if (tamanho.id() != QPageSize::Custom && codigo >= 1 && codigo <= 41)
        return nome_papel(codigo);
    const QSizeF mm = tamanho.size(QPageSize::Millimeter);
    return QStringLiteral("%1 x %2 mm").arg(qRound(mm.width())).arg(qRound(mm.height()));
}

int impressoras(const QStringList& args)
{
    QCommandLineParser linha;
    if (const int r = ler_linha(linha, "impressoras", args); r != seguir)
        return r;
    if (!linha.positionalArguments().isEmpty())
        return falha_de_uso("impressoras", uso_impressoras,
                            QStringLiteral("argumento inesperado: ") + linha.positionalArguments().first());
    const QString padrao = impressora_padrao_sistema();
    QStringList filas = impressoras_instaladas();
    filas.removeAll(impressora_pdf); // chosen with --pdf, not by name
    for (const QString& fila : filas) {
        saida() << fila << '\t' << papel_da_fila(fila);
        if (fila == padrao)
            saida() << "\tpadrão";
        saida() << '\n';
    }
    if (filas.isEmpty())
        erros() << "Nenhuma impressora instalada no sistema; use --pdf SAIDA.pdf para imprimir num arquivo.\n";
    return ok;
}

} // namespace

PAPELADA_COMANDO("impressoras", uso_impressoras,
                 "lista as impressoras do sistema, uma por linha, com o papel de cada uma (a padrão marcada)",
                 impressoras);
