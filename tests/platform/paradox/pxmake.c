/* pxmake: writes a Paradox table through pxlib, for the reader's tests:
 * block sizes, header sizes, code pages and encryption that pxlib chooses.
 *
 *   pxmake OUT.db MODE ROWS [PASSWORD] [CODEPAGE]
 *
 * MODE basic: Id I, Name A20, Amount N, Day D, Flag L (2 KiB blocks)
 *      mid:   Id I, Name A100                         (3 KiB blocks)
 *      wide:  150 fields A1 with long names            (16 KiB blocks, 4 KiB header)
 * Every fifth row has a NULL name.
 */
#include <paradox.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void die(const char *what)
{
    fprintf(stderr, "pxmake: %s\n", what);
    exit(1);
}

int main(int argc, char **argv)
{
    if (argc < 4)
        die("usage: pxmake OUT.db MODE ROWS [PASSWORD] [CODEPAGE]");
    const char *mode = argv[2];
    int rows = atoi(argv[3]);
    PX_boot();
    pxdoc_t *px = PX_new();
    if (!px)
        die("PX_new failed");
    int wide = strcmp(mode, "wide") == 0, mid = strcmp(mode, "mid") == 0;
    int n = wide ? 150 : mid ? 2 : 5;
    pxfield_t *f = px->malloc(px, n * sizeof(pxfield_t), "fields");
    memset(f, 0, n * sizeof(pxfield_t));
    if (wide) {
        for (int i = 0; i < n; i++) {
            char name[32];
            snprintf(name, sizeof name, "Field number %03d", i);
            f[i].px_fname = PX_strdup(px, name);
            f[i].px_ftype = pxfAlpha;
            f[i].px_flen = 1;
        }
    } else {
        f[0].px_fname = PX_strdup(px, "Id");
        f[0].px_ftype = pxfLong;
        f[0].px_flen = 4;
        f[1].px_fname = PX_strdup(px, "Name");
        f[1].px_ftype = pxfAlpha;
        f[1].px_flen = mid ? 100 : 20;
        if (!mid) {
            f[2].px_fname = PX_strdup(px, "Amount");
            f[2].px_ftype = pxfNumber;
            f[2].px_flen = 8;
            f[3].px_fname = PX_strdup(px, "Day");
            f[3].px_ftype = pxfDate;
            f[3].px_flen = 4;
            f[4].px_fname = PX_strdup(px, "Flag");
            f[4].px_ftype = pxfLogical;
            f[4].px_flen = 1;
        }
    }
    if (PX_create_file(px, f, n, argv[1], pxfFileTypNonIndexDB) < 0)
        die("PX_create_file failed");
    if (argc > 5 && PX_set_value(px, "codepage", (float)atoi(argv[5])) < 0)
        die("codepage refused");
    if (argc > 4 && argv[4][0] && PX_set_parameter(px, "password", argv[4]) < 0)
        die("password refused");
    int size = 0;
    for (int i = 0; i < n; i++)
        size += f[i].px_flen;
    char *rec = malloc(size);
    for (int r = 0; r < rows; r++) {
        memset(rec, 0, size);
        if (wide) {
            for (int i = 0; i < n; i++)
                if ((r + i) % 3)
                    rec[i] = (char)('A' + (r + i) % 26);
        } else {
            char name[120];
            PX_put_data_long(px, rec, 4, r + 1);
            snprintf(name, sizeof name, "caf\x82 %d", r); /* 0x82: e acute in DOS code pages */
            if (r % 5)
                PX_put_data_alpha(px, rec + 4, f[1].px_flen, name);
            if (!mid) {
                PX_put_data_double(px, rec + 24, 8, r * 1.25 - 10);
                PX_put_data_long(px, rec + 32, 4, 730000 + r);
                PX_put_data_byte(px, rec + 36, 1, (char)(r % 2));
            }
        }
        if (PX_put_record(px, rec) < 0)
            die("PX_put_record failed");
    }
    free(rec);
    PX_close(px);
    PX_delete(px);
    PX_shutdown();
    return 0;
}
