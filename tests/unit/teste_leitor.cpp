// The reader of the report language: parameter forms, their terminators and
// the end-of-file rules. That the last byte is never drawn and a command cut
// by the end is not applied is checked on the interpreter (teste_interpretador).
#include "comum/apoio.h"
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
QString descrever(const QByteArray& bytes, const TabelaFormas& formas = formas_linguagem(), bool em_bloco = false)
{
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
        QString s;
        switch (it.tipo) {
        case Item::Tipo::Caractere: s = QStringLiteral("c:") + QChar(it.byte); break;
        case Item::Tipo::AvancoLinha: s = QStringLiteral("LF"); break;
        case Item::Tipo::AvancoPagina: s = QStringLiteral("FF"); break;
        case Item::Tipo::RetornoCarro: s = QStringLiteral("CR"); break;
        case Item::Tipo::Comando: {
            s = QStringLiteral("ESC") + QChar(it.byte);
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
            break;
        }
        }
        partes << s;
    }
    return partes.join(u' ');
}

using Caso = CasoBytes;

class Formas : public ::testing::TestWithParam<Caso> {};

TEST_P(Formas, ItensLidos)
{
    EXPECT_EQ(descrever(GetParam().entrada), QString::fromLatin1(GetParam().esperado));
    EXPECT_EQ(descrever(GetParam().entrada, formas_linguagem(), true), QString::fromLatin1(GetParam().esperado));
}

INSTANTIATE_TEST_SUITE_P(
    Leitor, Formas,
    ::testing::Values(
        Caso{"cr_nao_separa", "AB\rCD\nZ", "c:A c:B CR c:C c:D LF"},
        Caso{"ff_final_ignorado", "A\f", "c:A"},
        Caso{"numero_consome_terminador", esc("Y10\nA\n"), "ESCY(10) c:A"},
        Caso{"numero_sem_digitos", esc("6xAB"), "ESC6(0) c:A"},
        Caso{"sub_termina_numero", esc("712\x1a") + "AB", "ESC7(12) c:A"},
        Caso{"texto_apara_brancos", esc("1Arial  \rX\n"), "ESC1\"Arial\" c:X"},
        Caso{"texto_termina_em_controle", esc("0Oi\x1a") + "AB", "ESC0\"Oi\" c:A"},
        Caso{"lista3", esc("R10,20,2;AB"), "ESCR(10,20,2) c:A"},
        Caso{"lista6_consome_ultimo", esc("l1,2,3,4,5,6,\nX\n"), "ESCl(1,2,3,4,5,6) LF c:X"},
        Caso{"barra_campos", esc("Z1,80,2,12345,AB"), "ESCZ(1,80,2,\"12345\") c:A"},
        Caso{"barra_sub_termina", esc("Z4\x1a") + "x1\x1a" "\x1a" "ab{c\x1a" "AB", "ESCZ(4,1,0,\"abc\") c:A"},
        Caso{"barra_filtra_digitos", esc("Z9,0,0,  7 7 ,AB"), "ESCZ(9,0,0,\"77\") c:A"},
        Caso{"barra_code39_aceita_espaco", esc("Z4,,, A-1 ,AB"), "ESCZ(4,0,0,\" A-1 \") c:A"},
        Caso{"registro_d_engole_controles", esc("D") + QByteArray(30, '\n') + QByteArray(30, '\f')
                                                  + QByteArray(8, '\x1b') + "AB",
             "ESCD[68] c:A"},
        Caso{"registro_f", esc("F") + QByteArray(54, 'x') + "AB", "ESCF[54] c:A"},
        Caso{"comando_desconhecido", esc("QAB\n"), "ESCQ c:A c:B"},
        Caso{"esc_no_fim", QByteArray("A\x1bQ"), "c:A"},
        Caso{"fim_em_numero_aplica", esc("730X"), "ESC7(30)"},
        Caso{"fim_antes_do_numero", esc("7X"), "ESC7(0)!"},
        Caso{"fim_em_texto", esc("1ArialX"), "ESC1\"Arial\""},
        Caso{"fim_no_ultimo_da_lista", esc("R1,2,3X"), "ESCR(1,2,3)"},
        Caso{"fim_em_barra_sem_virgula", esc("Z2,0,0,590X"), "ESCZ(2,0,0,\"590\")"},
        Caso{"fim_em_barra_antes_dos_dados", esc("Z2,0,0X"), "ESCZ(2,0,0,\"\")!"},
        Caso{"fim_em_registro", esc("D") + QByteArray(10, 'x'), "ESCD[9]!"}),
    nome_do_caso);

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
        for (;;) {
            if (em_bloco) {
                // Whole lines, two at most, then characters; the lines'
                // bytes are taken from the file.
                qint64 antes = fonte.posicao();
                const qint64 linhas = leitor.linhas_de_texto(2);
                EXPECT_LE(linhas, 2);
                for (qint64 p = antes + 1; p <= fonte.posicao(); ++p) {
                    const auto c = static_cast<unsigned char>(bytes[p - 1]);
                    itens.emplace_back(p, c == '\n' ? -1 : c);
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

TEST(Leitor, MedicaoLeEscCSemParametro)
{
    // Its digits are text. (The copy's and the index's tables are checked
    // by teste_copia and teste_indice.)
    EXPECT_EQ(descrever(esc("C12\x1a") + "AB", formas_medicao()), "ESCC c:1 c:2 c:\x1a c:A");
}

TEST(Leitor, NumerosEnormesSaoLimitados)
{
    // 10,000 digits: the value stops growing at the largest number, so the
    // reading stays linear and nothing overflows.
    QByteArray bytes = esc("7") + QByteArray(10000, '9') + "\nAB";
    EXPECT_EQ(descrever(bytes), QStringLiteral("ESC7(%1) c:A").arg(numero_maximo));
    EXPECT_EQ(limitar<std::int16_t>(numero_maximo), 32767);
    EXPECT_EQ(descrever(esc("Z1,") + QByteArray(5000, '9') + ",0,1,AB"),
              QStringLiteral("ESCZ(1,%1,0,\"1\") c:A").arg(numero_maximo));
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
    EXPECT_EQ(para_i16(1e12), 32767);
}

} // namespace
