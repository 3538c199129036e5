#!/usr/bin/env python3
"""Writes the sample spool files of this folder (and the picture that one of
them prints), the way a business application writes its reports for Papelada:
text in code page 1252 with Papelada's escape commands.

    python3 samples/gerar.py        # from anywhere; the files land next to this script
"""
import os
import random
import struct
import zlib

AQUI = os.path.dirname(os.path.abspath(__file__))
ESC = "\x1b"
FF = "\x0c"
SUB = "\x1a"  # written after the report: the last byte of a file is never printed


def num(n):
    return f"{n};"


def coluna(n):  # go to column n
    return ESC + "X" + num(n)


def linha(n):  # go to the start of line n of the page
    return ESC + "Y" + num(n) + coluna(1)


def campo(ini, fim, alinhamento, colunas=True):  # run field for the next run
    return ESC + ("R" if colunas else "r") + f"{ini},{fim},{alinhamento},"


def negrito(sim=True):
    return ESC + ("2" if sim else "3")


def tamanho(pontos):
    return ESC + "6" + num(pontos)


def fonte(nome):
    return ESC + "1" + nome + "\n"


def reta(x1, y1, x2, y2, largura=1, cor=0, celulas=True):
    return ESC + ("L" if celulas else "l") + f"{x1},{y1},{x2},{y2},{largura},{cor},"


def caixa(x1, y1, x2, y2, largura=1, cor=0, celulas=False):
    return ESC + ("B" if celulas else "b") + f"{x1},{y1},{x2},{y2},{largura},{cor},"


def ir(x, y):  # pen to (x, y) twips
    return ESC + "x" + num(x) + ESC + "y" + num(y)


def barra(simbologia, altura, modulo, dados):
    return ESC + "Z" + f"{simbologia},{altura},{modulo},{dados},"


def brl(v):
    inteiro, centavos = f"{v:.2f}".split(".")
    grupos = []
    while len(inteiro) > 3:
        grupos.insert(0, inteiro[-3:])
        inteiro = inteiro[:-3]
    grupos.insert(0, inteiro)
    return ".".join(grupos) + "," + centavos


def gravar(nome, texto):
    with open(os.path.join(AQUI, nome), "wb") as f:
        f.write(texto.encode("cp1252"))


# --- a sales report over several pages -------------------------------------

CLIENTES = ["José Antônio Conceição", "Padaria São João", "Açougue Irmãos Gonçalves",
            "Farmácia Bem-Estar", "Mercearia Dona Inês", "Construtora Ribeirão",
            "Papelaria Ipê Amarelo", "Café Araújo & Filhos", "Distribuidora Jaú",
            "Livraria Érico Veríssimo"]
CIDADES = ["São Paulo", "Ribeirão Preto", "Maringá", "Florianópolis", "Goiânia",
           "Belém", "Vitória", "Niterói"]
PRODUTOS = ["Bobina térmica 80mm", "Formulário contínuo", "Etiqueta adesiva", "Envelope ofício",
            "Toner genérico", "Fita para impressora", "Papel A4 (resma)"]


def relatorio_vendas():
    rnd = random.Random(2026)
    linhas_por_pagina = 48
    vendas = []
    for i in range(130):
        dia = 1 + i * 30 // 130
        vendas.append((f"{dia:02d}/03/2026", rnd.choice(CLIENTES), rnd.choice(CIDADES),
                       rnd.choice(PRODUTOS), rnd.randint(1, 40), rnd.randint(500, 250000) / 100))
    paginas = [vendas[i:i + linhas_por_pagina] for i in range(0, len(vendas), linhas_por_pagina)]
    out = [ESC + "0" + "Relatório de vendas de março: " + str(len(vendas)) + " lançamentos\n",
           fonte("Courier New"), tamanho(10)]
    total = 0.0
    for p, itens in enumerate(paginas, 1):
        out.append(linha(1) + negrito() + tamanho(12) + "Comércio Papelada Ltda." + tamanho(10) + negrito(False))
        out.append(campo(60, 80, 1) + f"Página {p} de {len(paginas)}")
        out.append(linha(2) + "Relatório de vendas — março de 2026")
        out.append(linha(4) + negrito() + "Data" + coluna(12) + "Cliente" + coluna(38) + "Cidade"
                   + campo(53, 58, 1) + "Qtd" + campo(60, 80, 1) + "Valor (R$)" + negrito(False))
        out.append(reta(1, 5, 81, 5))
        out.append(linha(6))
        for data, cliente, cidade, produto, qtd, valor in itens:
            total += valor
            out.append(data + coluna(12) + cliente[:25] + coluna(38) + cidade[:14]
                       + campo(53, 58, 1) + str(qtd) + campo(60, 80, 1) + brl(valor) + "\n")
        if p == len(paginas):
            out.append(reta(53, 6 + len(itens), 81, 6 + len(itens)) + "\n")
            out.append(negrito() + "Total do mês" + campo(60, 80, 1) + brl(total) + negrito(False) + "\n")
            out.append(ESC + "4" + "Valores em reais; câmbio do dia: € 1,00 = R$ 6,20." + ESC + "5" + "\n")
        else:
            out.append(FF)
    out.append(SUB)
    gravar("relatorio_vendas.spl", "".join(out))


# --- a boleto-like page: boxes, lines and barcodes ---------------------------

def digito_mod10(numero):
    soma, peso = 0, 2
    for d in reversed(numero):
        p = int(d) * peso
        soma += p // 10 + p % 10
        peso = 1 if peso == 2 else 2
    return str((10 - soma % 10) % 10)


def boleto():
    tw = 567  # a centimetre, nearly
    esquerda, largura = 0, 10800
    rotulo = lambda x, y, texto: ir(x + 60, y + 30) + tamanho(7) + texto + tamanho(10)
    valor = lambda x, y, texto: ir(x + 60, y + 200) + negrito() + texto + negrito(False)
    out = [fonte("Arial"), tamanho(10)]
    # Bank header: name, code and the typed line.
    out.append(ir(0, 0) + negrito() + tamanho(16) + "Banco Papelada" + tamanho(10) + negrito(False))
    out.append(reta(3300, 0, 3300, 420, 2, 0, False) + ir(3420, 60) + negrito() + tamanho(14) + "999-7"
               + tamanho(10) + negrito(False))
    out.append(reta(4500, 0, 4500, 420, 2, 0, False)
               + ir(4650, 90) + "99991.23453 67890.123459 87654.321096 1 93450000012345")
    # Field boxes, in twips from the margin corner.
    y = 480
    campos = [
        [(0, 7800, "Local de pagamento", "Pagável em qualquer banco até o vencimento"),
         (7800, largura, "Vencimento", "10/04/2026")],
        [(0, 7800, "Beneficiário", "Comércio Papelada Ltda. — CNPJ 12.345.678/0001-90"),
         (7800, largura, "Agência / Código do beneficiário", "1234 / 56789-0")],
        [(0, 1800, "Data do documento", "06/03/2026"), (1800, 3900, "Nº do documento", "NF 4521"),
         (3900, 5100, "Espécie doc.", "DM"), (5100, 6000, "Aceite", "N"),
         (6000, 7800, "Data process.", "06/03/2026"), (7800, largura, "Nosso número", "12345678901-2")],
        [(0, 7800, "Instruções (texto de responsabilidade do beneficiário)",
          "Não receber após 30 dias do vencimento. Multa de 2% após o vencimento."),
         (7800, largura, "(=) Valor do documento", "R$ 123,45")],
        [(0, largura, "Pagador", "José Antônio Conceição — Rua das Acácias, 1500 — São Paulo/SP")],
    ]
    altura = 560
    for fila in campos:
        for x1, x2, nome, conteudo in fila:
            out.append(caixa(x1, y, x2, y + altura))
            out.append(rotulo(x1, y, nome) + valor(x1, y, conteudo))
        y += altura
    # The barcode of the slip: Interleaved 2 of 5 of its 44 digits.
    codigo = "9999" + "1" + "9345" + "0000012345" + "1234567890123456789012345"
    codigo = codigo[:4] + digito_mod10(codigo) + codigo[4:]
    codigo = codigo[:44]
    out.append(ir(0, y + 200) + tamanho(8) + "Autenticação mecânica — Ficha de compensação" + tamanho(10))
    out.append(ir(0, y + 500) + barra(1, 150, 3, codigo))
    # Two more symbologies, as product labels print them.
    y2 = y + 500 + 150 * 48 // 10 + 500
    out.append(ir(0, y2) + "Produto (EAN-13):" + ir(0, y2 + 280) + barra(2, 120, 3, "5901234123457"))
    out.append(ir(5400, y2) + "Volume (Code 39):" + ir(5400, y2 + 280) + barra(4, 120, 3, "PAPELADA-42"))
    out.append(reta(0, y2 - 200, largura, y2 - 200, 1, 8, False))
    out.append("\n" + SUB)
    gravar("boleto.spl", "".join(out))


# --- a report with a picture --------------------------------------------------

def png(caminho, largura, altura, pixel):
    linhas = b"".join(b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(largura)) for y in range(altura))

    def bloco(tipo, dados):
        return struct.pack(">I", len(dados)) + tipo + dados + struct.pack(">I", zlib.crc32(tipo + dados))

    with open(caminho, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(bloco(b"IHDR", struct.pack(">IIBBBBB", largura, altura, 8, 2, 0, 0, 0)))
        f.write(bloco(b"IDAT", zlib.compress(linhas, 9)))
        f.write(bloco(b"IEND", b""))


def logotipo():
    # A folded sheet over a blue square, 96 x 96 pixels (1 inch on the page).
    def pixel(x, y):
        if 12 <= x < 84 and 12 <= y < 84:
            if x - 12 > 54 and y - 12 < (x - 66):
                return (40, 90, 170)
            if 20 <= x < 64 and y in (30, 31, 42, 43, 54, 55, 66, 67):
                return (120, 120, 120)
            return (250, 250, 245)
        return (40, 90, 170)
    png(os.path.join(AQUI, "logotipo.png"), 96, 96, pixel)


def relatorio_imagem():
    out = [fonte("Courier New"), tamanho(10)]
    # The picture path is relative to the folder the printing starts in
    # (scripts/demo.sh prints from the project's folder).
    out.append(ESC + "G" + "samples/logotipo.png\n")
    out.append(ESC + "y" + num(600) + negrito() + tamanho(14) + "Comércio Papelada Ltda." + tamanho(10)
               + negrito(False))
    out.append(ESC + "y" + num(1000) + ESC + "x" + num(1600) + "Inventário de materiais de escritório")
    out.append(linha(8) + reta(1, 9, 81, 9, 2) + linha(10))
    itens = [("Bobina térmica 80mm", 320, 4.9), ("Caneta esferográfica azul", 1200, 1.35),
             ("Envelope ofício", 850, 0.42), ("Pasta suspensa", 96, 3.8), ("Grampeador médio", 14, 27.9),
             ("Papel A4 (resma)", 140, 29.5), ("Etiqueta adesiva (folha)", 2000, 0.55)]
    out.append(negrito() + "Item" + campo(40, 50, 1) + "Qtd" + campo(52, 64, 1) + "Unitário"
               + campo(66, 80, 1) + "Total" + negrito(False) + "\n")
    soma = 0
    for nome, qtd, unit in itens:
        soma += qtd * unit
        out.append(nome + campo(40, 50, 1) + str(qtd) + campo(52, 64, 1) + brl(unit)
                   + campo(66, 80, 1) + brl(qtd * unit) + "\n")
    out.append("\n" + negrito() + campo(1, 80, 2) + f"Valor total em estoque: R$ {brl(soma)}" + negrito(False))
    out.append("\n" + SUB)
    gravar("relatorio_imagem.spl", "".join(out))


if __name__ == "__main__":
    relatorio_vendas()
    boleto()
    logotipo()
    relatorio_imagem()
