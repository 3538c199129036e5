/* The same pages as the business form and the logo report of
 * print_bench.sh, drawn by a general PDF library (cairo), as a peer that
 * does the same work as papelada: per form line a rule, a box, three faces
 * and a right-aligned field; per logo page the picture, an EAN-13 barcode
 * and the lines. Reads the report's lines (pages split by form feeds) and
 * writes the PDF on standard output, on A4.
 *   pares_cairo formulario LINES.txt > out.pdf
 *   pares_cairo logotipo LINES.txt LOGO.png > out.pdf
 */
#include <cairo-pdf.h>
#include <cairo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static cairo_status_t escrever(void *f, const unsigned char *d, unsigned int n)
{
    return fwrite(d, 1, n, f) == n ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

/* Points: A4, 10 mm margins, 12 characters an inch, lines of 1/7 inch. */
static const double coluna = 6.0, linha = 72.0 / 7, margem = 28.35;

static void texto(cairo_t *cr, const char *familia, int negrito, int italico, double tamanho, const char *s,
                  int n, double x, double y, int direita)
{
    char b[256];
    if (n > (int)sizeof b - 1)
        n = (int)sizeof b - 1;
    memcpy(b, s, (size_t)n);
    b[n] = 0;
    cairo_select_font_face(cr, familia, italico ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           negrito ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, tamanho);
    if (direita) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, b, &e);
        x -= e.x_advance;
    }
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, b);
}

static void formulario(cairo_t *cr, int l, const char *s, int n)
{
    const double y = margem + (l + 2) * linha;
    cairo_set_line_width(cr, 0.5);
    cairo_move_to(cr, margem, y + 2);
    cairo_line_to(cr, margem + 80 * coluna, y + 2);
    cairo_stroke(cr);
    cairo_rectangle(cr, margem + 59 * coluna, y - linha + 2, 21 * coluna, linha);
    cairo_stroke(cr);
    texto(cr, "Liberation Sans", 1, 0, 9, s, n < 20 ? n : 20, margem, y, 0);
    if (n > 20)
        texto(cr, "Liberation Serif", 0, 1, 9, s + 20, (n < 58 ? n : 58) - 20, margem + 20 * coluna, y, 0);
    if (n > 58)
        texto(cr, "Liberation Mono", 0, 0, 10, s + 58, n - 58, margem + 80 * coluna, y, 1);
}

/* EAN-13: the left half's patterns (L, or G when the first digit says so)
 * and the right half's (R), one bit a module. */
static void ean13(cairo_t *cr, const char *d, double x, double y, double modulo, double altura)
{
    static const char *l[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                "0110001", "0101111", "0111011", "0110111", "0001011"};
    static const char *paridade[10] = {"LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL", "LGLLGG",
                                       "LGGLLG", "LGGGLL", "LGLGLL", "LGLGGL", "LGGLGL"};
    char m[96] = "101";
    for (int i = 1; i <= 6; ++i) {
        const char *p = l[d[i] - '0'];
        char g[8];
        for (int k = 0; k < 7; ++k)
            g[k] = paridade[d[0] - '0'][i - 1] == 'G' ? (p[6 - k] == '0' ? '1' : '0') : p[k];
        g[7] = 0;
        strcat(m, g);
    }
    strcat(m, "01010");
    for (int i = 7; i <= 12; ++i) {
        char r[8];
        for (int k = 0; k < 7; ++k)
            r[k] = l[d[i] - '0'][k] == '0' ? '1' : '0';
        r[7] = 0;
        strcat(m, r);
    }
    strcat(m, "101");
    for (int k = 0; m[k]; ++k)
        if (m[k] == '1')
            cairo_rectangle(cr, x + k * modulo, y, modulo, altura);
    cairo_fill(cr);
    texto(cr, "Liberation Mono", 0, 0, 8, d, 13, x, y + altura + 8, 0);
}

int main(int argc, char **argv)
{
    const int logo = argc == 4 && strcmp(argv[1], "logotipo") == 0;
    if (!logo && !(argc == 3 && strcmp(argv[1], "formulario") == 0)) {
        fprintf(stderr, "uso: pares_cairo formulario|logotipo LINHAS.txt [LOGO.png]\n");
        return 2;
    }
    FILE *f = fopen(argv[2], "rb");
    if (!f) {
        perror(argv[2]);
        return 1;
    }
    cairo_surface_t *pdf = cairo_pdf_surface_create_for_stream(escrever, stdout, 595.28, 841.89);
    cairo_t *cr = cairo_create(pdf);
    cairo_surface_t *figura = logo ? cairo_image_surface_create_from_png(argv[3]) : NULL;
    if (figura && cairo_surface_status(figura) != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "%s: imagem ilegível\n", argv[3]);
        return 1;
    }
    char *s = NULL;
    size_t cap = 0;
    ssize_t n;
    int pagina = 1, l = 0;
    while ((n = getline(&s, &cap, f)) >= 0) {
        if (n > 0 && s[0] == '\f') {
            cairo_show_page(cr);
            ++pagina;
            l = 0;
            memmove(s, s + 1, (size_t)n--);
        }
        if (n > 0 && s[n - 1] == '\n')
            --n;
        if (l == 0 && logo) {
            cairo_save(cr);
            cairo_translate(cr, margem, margem);
            cairo_scale(cr, 0.75, 0.75); /* 96 pixels an inch */
            cairo_set_source_surface(cr, figura, 0, 0);
            cairo_paint(cr);
            cairo_restore(cr);
            char d[16];
            snprintf(d, sizeof d, "789%09d9", pagina);
            ean13(cr, d, margem + 49 * coluna, margem, 0.72, 30);
        }
        ++l;
        if (logo)
            texto(cr, "Liberation Mono", 0, 0, 10, s, (int)n, margem, margem + (l + 7) * linha, 0);
        else
            formulario(cr, l, s, (int)n);
    }
    cairo_destroy(cr);
    cairo_surface_finish(pdf);
    const int ok = cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(pdf);
    if (figura)
        cairo_surface_destroy(figura);
    free(s);
    fclose(f);
    return ok && fflush(stdout) == 0 ? 0 : 1;
}
