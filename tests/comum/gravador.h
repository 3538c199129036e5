// Recording what the core does, for tests: an observer that writes down what
// the window would show, and a short form of the recording surface's log.
#pragma once

#include "stream/estado.h"
#include "stream/observador.h"
#include "comum/superficie_gravacao.h"

#include <QRegularExpression>
#include <QStringList>
#include <functional>

namespace papelada::teste {

// What the window would show, one entry a call (progress only counted, with
// its fractions).
class ObservadorGravador : public Observador {
public:
    QStringList log;
    std::function<void()> ao_processar;
    int eventos = 0, progressos = 0;
    QList<double> fracoes;

    void quadro(const QString& t, bool v) override { log << QStringLiteral("quadro:%1:%2").arg(t).arg(v ? 1 : 0); }
    void imprimindo(bool ativo) override { log << QStringLiteral("imprimindo:%1").arg(ativo ? 1 : 0); }
    void acao(const QString& t) override { log << QStringLiteral("acao:") + t; }
    void pagina(const QString& t) override { log << QStringLiteral("pagina:") + t; }
    void progresso(double f) override { ++progressos, fracoes << f; }
    void processar_eventos() override
    {
        ++eventos, log << QStringLiteral("eventos");
        if (ao_processar)
            ao_processar();
    }
    void mensagem(const QString& t) override { log << QStringLiteral("mensagem:") + t; }
    void erro(const QString& t) override { log << QStringLiteral("erro:") + t; }
    void imagem_mostrar(const QImage&) override { log << QStringLiteral("imagem+"); }
    void imagem_fechar() override { log << QStringLiteral("imagem-"); }
    void aviso(const QString& t) override { log << QStringLiteral("aviso:") + t; }
    void impressora_escolhida(const QString& n, const QString& p) override
    {
        log << QStringLiteral("impressora:") + n + u'|' + p;
    }
    void fonte_escolhida() override { log << QStringLiteral("fonte"); }
    void medicao_concluida() override { log << QStringLiteral("concluida"); }
    void gravando(const QString& t) override { log << QStringLiteral("gravando:") + t; }

    // The entries of one kind, without their prefix ("quadro:").
    QStringList so(const QString& prefixo) const
    {
        QStringList r;
        for (const QString& l : log)
            if (l.startsWith(prefixo))
                r << l.mid(prefixo.size());
        return r;
    }
};

// The recording surface's log, shortened: `texto@x,y` for text (with " b"
// when bold and the colour when not black), NP for NewPage, no scale mode
// changes, the rest as is.
inline QString resumo(const QStringList& registro)
{
    static const QRegularExpression print(
        QStringLiteral("^Print \"(.*)\" ([-0-9.e+]+,[-0-9.e+]+) \\[\\S+(?: \\S+)* [0-9.]+ ([b-]) . . . (#[0-9a-f]{6})\\]$"),
        QRegularExpression::DotMatchesEverythingOption);
    QStringList r;
    for (const QString& l : registro) {
        const auto m = print.match(l);
        if (m.hasMatch()) {
            QString s = m.captured(1) + u'@' + m.captured(2);
            if (m.captured(3) == QLatin1String("b"))
                s += QStringLiteral(" b");
            if (m.captured(4) != QLatin1String("#000000"))
                s += u' ' + m.captured(4);
            r << s;
        } else if (l.startsWith(QLatin1String("ScaleMode"))) {
            continue;
        } else if (l == QLatin1String("NewPage")) {
            r << QStringLiteral("NP");
        } else {
            r << l;
        }
    }
    return r.join(QStringLiteral(" | "));
}

// A recording printer with A4 paper and the metrics of a 10-point font
// (120 x 240 twips), a document and an observer.
struct ImpressoraGravada {
    SuperficieGravacao sup;
    Documento doc;
    Metricas m{240, 120, 240, 120, 16838, 11906};
    ObservadorGravador obs;
};

} // namespace papelada::teste
