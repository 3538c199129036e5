/* The floor of printing plain text to PDF: the least a program must do to
 * write what papelada writes for a plain report. Every page is one content
 * stream with one text matrix and one string per line, deflated with
 * libdeflate at level 1 on one thread; the font is a standard one, not
 * embedded. Reads the report (pages split by form feeds, lines by line
 * feeds) and writes the PDF on standard output.
 *   piso REPORT > out.pdf
 * With pictures: N pages, the k-th drawing the (k mod M)-th of the M PNG
 * files (8-bit, not interlaced, grey or RGB), each written once with its
 * compressed data copied as it is (PNG predictors).
 *   piso -imagens N PNG... > out.pdf
 */
#include <libdeflate.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static long *deslocamentos;
static long quantos, capacidade, posicao;

static void saida(const void *p, size_t n)
{
    fwrite(p, 1, n, stdout);
    posicao += (long)n;
}

static void texto(const char *s) { saida(s, strlen(s)); }

static void objeto(long n)
{
    char b[32];
    if (n >= capacidade) {
        capacidade = capacidade ? 2 * capacidade : 1024;
        deslocamentos = realloc(deslocamentos, (size_t)capacidade * sizeof *deslocamentos);
    }
    deslocamentos[n] = posicao;
    if (n >= quantos)
        quantos = n + 1;
    snprintf(b, sizeof b, "%ld 0 obj\n", n);
    texto(b);
}

/* The page tree (pages are objects primeira, primeira + 2, ...), the
 * cross-reference table and the trailer. */
static int fim(long paginas, long primeira)
{
    char b[160];
    objeto(2);
    snprintf(b, sizeof b, "<< /Type /Pages /Count %ld /Kids [", paginas);
    texto(b);
    for (long k = 0; k < paginas; ++k) {
        snprintf(b, sizeof b, "%ld 0 R ", primeira + 2 * k);
        texto(b);
    }
    texto("] >>\nendobj\n");
    long xref = posicao;
    snprintf(b, sizeof b, "xref\n0 %ld\n0000000000 65535 f \n", quantos);
    texto(b);
    for (long k = 1; k < quantos; ++k) {
        snprintf(b, sizeof b, "%010ld 00000 n \n", deslocamentos[k]);
        texto(b);
    }
    snprintf(b, sizeof b, "trailer\n<< /Size %ld /Root 1 0 R >>\nstartxref\n%ld\n%%%%EOF\n", quantos, xref);
    texto(b);
    return fflush(stdout) == 0 ? 0 : 1;
}

static unsigned be32(const unsigned char *p) { return (unsigned)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

static int imagens(int paginas, int m, char **caminhos)
{
    char b[320];
    texto("%PDF-1.6\n%\xE2\xE3\xCF\xD3\n");
    objeto(1);
    texto("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    /* Pictures are objects 3 .. m + 2. */
    for (int i = 0; i < m; ++i) {
        FILE *f = fopen(caminhos[i], "rb");
        if (!f) {
            perror(caminhos[i]);
            return 1;
        }
        fseek(f, 0, SEEK_END);
        long n = ftell(f);
        fseek(f, 0, SEEK_SET);
        unsigned char *png = malloc((size_t)n), *idat = malloc((size_t)n);
        if (fread(png, 1, (size_t)n, f) != (size_t)n)
            return 1;
        fclose(f);
        unsigned w = be32(png + 16), h = be32(png + 20), cores = png[25] == 2 ? 3 : 1;
        size_t z = 0;
        for (long p = 8; p + 12 <= n;) {
            unsigned len = be32(png + p);
            if (memcmp(png + p + 4, "IDAT", 4) == 0) {
                memcpy(idat + z, png + p + 8, len);
                z += len;
            }
            p += 12 + (long)len;
        }
        objeto(3 + i);
        snprintf(b, sizeof b,
                 "<< /Type /XObject /Subtype /Image /Width %u /Height %u /BitsPerComponent 8 /ColorSpace %s "
                 "/Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors %u /BitsPerComponent 8 /Columns %u >> "
                 "/Length %zu >>\nstream\n",
                 w, h, cores == 3 ? "/DeviceRGB" : "/DeviceGray", cores, w, z);
        texto(b);
        saida(idat, z);
        texto("\nendstream\nendobj\n");
        free(png);
        free(idat);
    }
    struct libdeflate_compressor *c = libdeflate_alloc_compressor(1);
    char z[512];
    long proximo = 3 + m;
    for (int k = 0; k < paginas; ++k) {
        int n = snprintf(b, sizeof b, "q 500 0 0 375 28.35 400 cm /Im%d Do Q\n", k % m);
        size_t zn = libdeflate_zlib_compress(c, b, (size_t)n, z, sizeof z);
        objeto(proximo);
        snprintf(b, sizeof b, "<< /Filter /FlateDecode /Length %zu >>\nstream\n", zn);
        texto(b);
        saida(z, zn);
        texto("\nendstream\nendobj\n");
        objeto(proximo + 1);
        n = snprintf(b, sizeof b, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.3 841.9] /Resources << /XObject <<");
        for (int i = 0; i < m; ++i)
            n += snprintf(b + n, sizeof b - (size_t)n, " /Im%d %d 0 R", i, 3 + i);
        snprintf(b + n, sizeof b - (size_t)n, " >> >> /Contents %ld 0 R >>\nendobj\n", proximo);
        texto(b);
        proximo += 2;
    }
    libdeflate_free_compressor(c);
    return paginas;
}

int main(int argc, char **argv)
{
    if (argc >= 4 && strcmp(argv[1], "-imagens") == 0) {
        const int n = atoi(argv[2]);
        if (n < 1 || argc - 3 > 32 || imagens(n, argc - 3, argv + 3) != n)
            return 1;
        return fim(n, 4 + argc - 3);
    }
    if (argc != 2) {
        fprintf(stderr, "uso: piso RELATORIO > saida.pdf\n");
        return 2;
    }
    FILE *f = fopen(argv[1], "rb");
    if (!f) {
        perror(argv[1]);
        return 1;
    }
    fseek(f, 0, SEEK_END);
    long tamanho = ftell(f);
    fseek(f, 0, SEEK_SET);
    char *dados = malloc((size_t)tamanho + 1);
    if (fread(dados, 1, (size_t)tamanho, f) != (size_t)tamanho) {
        perror(argv[1]);
        return 1;
    }
    fclose(f);

    struct libdeflate_compressor *c = libdeflate_alloc_compressor(1);
    size_t cap_pagina = 1 << 16, cap_z = 0;
    char *pagina = malloc(cap_pagina), *z = NULL;
    long paginas = 0;
    char b[160];
    /* Objects 1 catalogue, 2 page tree, 3 font; then content and page. */
    texto("%PDF-1.6\n%\xE2\xE3\xCF\xD3\n");
    objeto(1);
    texto("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    objeto(3);
    texto("<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>\nendobj\n");
    long p = 0, proximo = 4;
    while (p < tamanho) {
        size_t n = 0;
        long y = 800;
        n += (size_t)snprintf(pagina + n, cap_pagina - n, "BT\n/F1 10 Tf\n");
        while (p < tamanho && dados[p] != '\f') {
            long fim = p;
            while (fim < tamanho && dados[fim] != '\n' && dados[fim] != '\f')
                ++fim;
            if (cap_pagina - n < 2 * (size_t)(fim - p) + 64) {
                cap_pagina = 2 * cap_pagina + 2 * (size_t)(fim - p) + 64;
                pagina = realloc(pagina, cap_pagina);
            }
            n += (size_t)snprintf(pagina + n, cap_pagina - n, "1 0 0 1 28.35 %ld Tm\n(", y);
            for (long k = p; k < fim; ++k) {
                char ch = dados[k];
                if (ch == '(' || ch == ')' || ch == '\\')
                    pagina[n++] = '\\';
                pagina[n++] = ch == '\r' ? ' ' : ch;
            }
            memcpy(pagina + n, ") Tj\n", 5);
            n += 5;
            y -= 12;
            p = fim < tamanho && dados[fim] == '\n' ? fim + 1 : fim;
        }
        if (p < tamanho)
            ++p; /* the form feed */
        memcpy(pagina + n, "ET\n", 3);
        n += 3;
        size_t limite = libdeflate_zlib_compress_bound(c, n);
        if (limite > cap_z) {
            cap_z = limite;
            z = realloc(z, cap_z);
        }
        size_t m = libdeflate_zlib_compress(c, pagina, n, z, limite);
        long conteudo = proximo++, folha = proximo++;
        objeto(conteudo);
        snprintf(b, sizeof b, "<< /Filter /FlateDecode /Length %zu >>\nstream\n", m);
        texto(b);
        saida(z, m);
        texto("\nendstream\nendobj\n");
        objeto(folha);
        snprintf(b, sizeof b,
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.3 841.9] /Resources << /Font << /F1 3 0 R >> >> "
                 "/Contents %ld 0 R >>\nendobj\n",
                 conteudo);
        texto(b);
        ++paginas;
    }
    libdeflate_free_compressor(c);
    return fim(paginas, 5);
}
