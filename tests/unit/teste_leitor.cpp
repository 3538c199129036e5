// The reader of the report language: parameter forms, their terminators and
// the end-of-file rules (the cases are in tests/casos/leitor.casos). That the last byte is never drawn and a command cut
// by the end is not applied is checked on the interpreter (teste_interpretador).
#include "comum/apoio.h"
#include "comum/casos.h"
#include "stream/leitor.h"
#include "stream/numeros.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace papelada;
using namespace papelada::teste;

namespace {

// Reads every item and writes it down compactly:
//   c:A  (character)  LF  FF  CR  ESC7(30)  ESCR(1,2,3)  ESC1"txt"  ESCZ(1,80,2,"12")  ESCD[68]
// An incomplete command is marked with "!". `em_bloco` takes the characters
// in bulk wherever they can be.
QString descrever(const QByteArray& bytes, bool em_bloco)
{
    const TabelaFormas& formas = formas_linguagem();
    FonteBytes fonte;
    fonte.usar_memoria(bytes);
    fonte.incluir_ultimo_byte(false);
    Leitor leitor(fonte, formas);
    QStringList partes;
    Item it;
    for (;;) {
        if (em_bloco)
            for (const unsigned char c : leitor.caracteres())
                partes << QStringLiteral("c:") + QChar(c);
        if (!leitor.proximo(it))
            break;
        if (it.tipo != Item::Tipo::Comando) {
            partes << (it.tipo == Item::Tipo::Caractere     ? QStringLiteral("c:") + QChar(it.byte)
                       : it.tipo == Item::Tipo::AvancoLinha  ? QStringLiteral("LF")
                       : it.tipo == Item::Tipo::AvancoPagina ? QStringLiteral("FF")
                                                             : QStringLiteral("CR"));
            continue;
        }
        QString s = QStringLiteral("ESC") + QChar(it.byte);
        const Forma f = formas[it.byte];
        const int n = f == Forma::Numero ? 1 : f == Forma::Lista3 ? 3 : f == Forma::Lista6 ? 6 : 0;
        QStringList v;
        for (int k = 0; k < n; ++k)
            v << QString::number(it.numeros[k]);
        if (f == Forma::Barra)
            v << QString::number(it.barra.padrao) << QString::number(it.barra.altura)
              << QString::number(it.barra.largura) << u'"' + QString::fromLatin1(it.barra.texto) + u'"';
        if (!v.isEmpty())
            s += u'(' + v.join(u',') + u')';
        if (f == Forma::Texto)
            s += u'"' + QString::fromLatin1(it.texto) + u'"';
        if (f == Forma::Registro68 || f == Forma::Registro54)
            s += QStringLiteral("[%1]").arg(it.texto.size());
        if (!it.completo)
            s += u'!';
        partes << s;
    }
    return partes.join(u' ');
}

TEST(Leitor, CasosDoArquivo)
{
    // Characters taken in bulk must give what is read one by one.
    const auto itens = [](const QByteArray& bytes) {
        const QString um_a_um = descrever(bytes, false), em_bloco = descrever(bytes, true);
        return um_a_um == em_bloco ? um_a_um : um_a_um + QStringLiteral("\nem bloco: ") + em_bloco;
    };
    for (const CasoArquivo& c : conferir_casos(QStringLiteral("leitor.casos"), itens))
        EXPECT_EQ(c.obtido, c.esperado) << c.nome.toStdString();
}

TEST(Leitor, CaracteresEmBlocoComoUmAUm)
{
    // Text with every byte value, lines, and line feeds, form feeds, carriage
    // returns and escapes at the edges of the 32-byte steps and of the
    // file's read blocks: the characters taken in bulk are those read one
    // by one, at the same positions, and the items between them too.
    QByteArray bytes(600 * 1024, 'a');
    for (qsizetype i = 0; i < bytes.size(); i += 97)
        bytes[i] = static_cast<char>(i / 97 % 256);
    for (qsizetype i = 300 * 1024; i < bytes.size(); i += 41)
        bytes[i] = '\n';
    const char separadores[] = {'\n', '\f', '\r', '\x1b'};
    int k = 0;
    for (const qsizetype base : {0, 64, 256 * 1024, 512 * 1024})
        for (const qsizetype d : {0, 1, 15, 16, 17, 31, 32, 33, 63})
            bytes[base + d] = separadores[k++ % 4];
    const QString arquivo = gravar(QStringLiteral("em_bloco.spl"), bytes);
    const auto ler = [&](bool em_bloco) {
        FonteBytes fonte;
        EXPECT_TRUE(fonte.abrir(arquivo));
        Leitor leitor(fonte);
        std::vector<std::pair<qint64, int>> itens; // position, byte (-1 for any item but a character)
        Item it;
        for (bool perguntando = false;; perguntando = !perguntando) {
            if (em_bloco) {
                // Whole lines, two at most, then characters; the lines'
                // bytes are taken from the file. The lines are asked for
                // one by one and taken without a question, in turn.
                qint64 antes = fonte.posicao();
                qint64 pedidas = 0, inicio = antes;
                const auto sem_retornos = [&](qint64 de, qint64 ate) {
                    return ate - de - std::count(bytes.begin() + de, bytes.begin() + ate, '\r');
                };
                qint64 linhas = 0;
                if (perguntando) {
                    linhas = leitor.linhas_de_texto([&](qint64 n) {
                        // Each line told with its characters.
                        const qint64 fim = bytes.indexOf('\n', inicio);
                        EXPECT_EQ(n, sem_retornos(inicio, fim));
                        inicio = fim + 1;
                        return ++pedidas <= 2;
                    });
                } else {
                    const Leitor::Linhas lidas = leitor.linhas_inteiras(2);
                    linhas = lidas.linhas;
                    EXPECT_EQ(lidas.caracteres, sem_retornos(antes, fonte.posicao()) - linhas);
                }
                EXPECT_LE(linhas, 2);
                for (qint64 p = antes + 1; p <= fonte.posicao(); ++p) {
                    const auto c = static_cast<unsigned char>(bytes[p - 1]);
                    itens.emplace_back(p, c == '\n' || c == '\r' ? -1 : c);
                }
                EXPECT_EQ(std::count(bytes.begin() + antes, bytes.begin() + fonte.posicao(), '\n'), linhas);
                EXPECT_TRUE(linhas == 0 || bytes[fonte.posicao() - 1] == '\n');
                antes = fonte.posicao();
                const auto s = leitor.caracteres();
                for (size_t i = 0; i < s.size(); ++i)
                    itens.emplace_back(antes + 1 + static_cast<qint64>(i), s[i]);
            }
            if (!leitor.proximo(it))
                break;
            itens.emplace_back(it.posicao, it.tipo == Item::Tipo::Caractere ? it.byte : -1);
        }
        return itens;
    };
    const auto um_a_um = ler(false);
    EXPECT_GT(um_a_um.size(), 600u * 1024 - 100); // escapes take the byte after them
    EXPECT_TRUE(ler(true) == um_a_um);
}

TEST(Leitor, ParametrosAtravessamBlocosDoArquivo)
{
    // Parameters that begin before the end of the file's first read block
    // and run past it: a text keeps its first 32,768 bytes whole and drops
    // the rest, a number keeps its value, and their terminator (in the next
    // block) is consumed.
    QByteArray longo;
    for (qsizetype i = 0; i < 40000; ++i)
        longo.append(static_cast<char>('a' + i % 26));
    const struct {
        qsizetype fora; // parameter bytes before the end of the block
        QByteArray comando;
        std::int64_t numero;
    } casos[] = {
        {5, "1" + longo, 0},
        {texto_maximo + 10, "1" + longo, 0},
        {2, "712345", 12345},
        {10, "7" + QByteArray(20, '9'), numero_maximo},
    };
    for (const auto& c : casos) {
        const qsizetype inicio = 256 * 1024 - c.fora;
        const QByteArray bytes = QByteArray(inicio - 1, '\f') + esc(c.comando) + "\x1a" "AB";
        FonteBytes fonte;
        ASSERT_TRUE(fonte.abrir(gravar(QStringLiteral("parametros.spl"), bytes)));
        Leitor leitor(fonte);
        Item it;
        while (leitor.proximo(it) && it.tipo == Item::Tipo::AvancoPagina) {
        }
        ASSERT_EQ(it.tipo, Item::Tipo::Comando);
        EXPECT_TRUE(it.completo);
        if (it.byte == '1')
            EXPECT_EQ(it.texto, bytes.mid(inicio + 1, texto_maximo));
        else
            EXPECT_EQ(it.numeros[0], c.numero);
        ASSERT_TRUE(leitor.proximo(it));
        EXPECT_EQ(it.byte, 'A');
        EXPECT_EQ(it.posicao, bytes.size() - 1);
    }
}

TEST(Numeros, ValorTextoEDivisao)
{
    struct {
        const char* texto;
        double valor;
    } casos[] = {{"12,5", 12}, {"12.5", 12.5}, {"75%", 75}, {"", 0}, {"abc", 0}, {" 2.5", 2.5},
                 {"-3", -3}, {".5", 0.5}};
    for (const auto& c : casos)
        EXPECT_DOUBLE_EQ(valor_texto(QString::fromUtf8(c.texto)), c.valor) << c.texto;
    EXPECT_EQ(dividir_inteiro(5.5, 2), 3);  // 5.5 rounds to 6
    EXPECT_EQ(dividir_inteiro(-7, 2), -3);  // towards zero
}

} // namespace
