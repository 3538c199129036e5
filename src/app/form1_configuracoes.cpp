// The main window's settings: the margins, the printer and its font.
#include "app/form1_comum.h"

#include "analysis/medicao.h"

#include <QLabel>
#include <QLineEdit>
#include <optional>

namespace papelada {

void Form1::mostrar_margens()
{
    texto_margem_superior->setText(QString::number(doc_.margem_superior));
    texto_margem_esquerda->setText(QString::number(doc_.margem_esquerda));
}

void Form1::recarregar_margens()
{
    ler_margens(doc_.margem_esquerda, doc_.margem_superior);
    margens_do_trator(*impressora_, doc_);
    // A tractor-fed form prints from its corner, whatever was typed.
    const bool trator = impressora_->paperBin() == bandeja_trator;
    if (trator)
        editada_esquerda_ = editada_superior_ = false;
    if (!editada_esquerda_)
        texto_margem_esquerda->setText(QString::number(doc_.margem_esquerda));
    if (!editada_superior_)
        texto_margem_superior->setText(QString::number(doc_.margem_superior));
}

void Form1::guardar_margens()
{
    if (!editada_esquerda_ && !editada_superior_)
        return; // the stored margins stay as they are
    std::int32_t esquerda = 0, superior = 0;
    ler_margens(esquerda, superior);
    const double largura = impressora_->width(), altura = impressora_->height();
    // Only a margin typed in and valid replaces the stored one.
    const auto valor = [](bool editada, const QLineEdit* campo, double limite_twips, std::int32_t guardada) {
        const std::optional<double> mm = numero_digitado(campo->text());
        if (editada && mm && *mm >= 0 && *mm * 1440 / 25.4 < limite_twips)
            return QString::number(*mm, 'f', 2);
        return QString::number(guardada);
    };
    gravar_margens(valor(editada_esquerda_, texto_margem_esquerda, largura, esquerda),
                   valor(editada_superior_, texto_margem_superior, altura, superior), doc_.margem_esquerda,
                   doc_.margem_superior);
}

void Form1::Command3_Click()
{
    // No hourglass over the dialogs: the user is choosing, not waiting.
    dialogos_.processar_eventos();
    const std::optional<QString> nome = dialogos_.escolher_impressora(this, impressora_->deviceName());
    dialogos_.processar_eventos();
    if (nome && *nome != impressora_->deviceName()) {
        if (impressora_->selectPrinter(*nome))
            doc_.indice_valido = false; // another paper, other page ends
        else
            avisar(QStringLiteral("A impressora %1 não está disponível.").arg(*nome));
    }
    // The printer's stored font (or the fallback), in the dialog as well,
    // and the report measured with it.
    aplicar_fonte_padrao(*impressora_);
    fonte_da_impressora();
    if (doc_.nome_arquivo.isEmpty()) {
        recalcular_metricas(*impressora_, metricas_);
        doc_.indice_valido = false;
    } else {
        medir();
    }
    mostrar_impressora();
}

void Form1::fonte_da_impressora()
{
    fonte_dialogo_.nome = impressora_->fontName();
    fonte_dialogo_.tamanho = impressora_->fontSize();
    fonte_dialogo_.negrito = impressora_->fontBold();
    fonte_dialogo_.italico = impressora_->fontItalic();
}

void Form1::mostrar_impressora()
{
    rotulo_impressora->setText(impressora_->deviceName());
    rotulo_papel->setText(nome_papel(impressora_->paperSize()));
}

void Form1::aplicar_fonte(const FonteEscolhida& f)
{
    impressora_->setFontName(f.nome);
    impressora_->setFontSize(f.tamanho);
    impressora_->setFontBold(f.negrito);
    impressora_->setFontItalic(f.italico);
    recalcular_metricas(*impressora_, metricas_);
    doc_.indice_valido = false;
}

void Form1::Command4_Click()
{
    const std::optional<FonteEscolhida> escolhida = dialogos_.escolher_fonte(this, fonte_dialogo_);
    if (!escolhida)
        return;
    fonte_dialogo_ = *escolhida;
    aplicar_fonte(fonte_dialogo_);
}

void Form1::DefaultFont_Click()
{
    fonte_da_impressora();
    if (const std::optional<FonteEscolhida> escolhida = dialogos_.escolher_fonte(this, fonte_dialogo_)) {
        fonte_dialogo_ = *escolhida;
        aplicar_fonte(fonte_dialogo_);
    }
    gravar_fonte_padrao(*impressora_);
}

} // namespace papelada
