/* The floor of a crash-safe save: for each file of a list, only what every
 * save that leaves the file old or new under a kill must do, with no tag work:
 * copy it into a new unnamed file in its folder, flush that to the disk, give
 * it a name, rename it over the original, and close the original only after
 * the next file's rename.
 *   boden <list of paths, one a line>
 *   boden --teilen BYTES <list>
 * With --teilen, the floor on a file system whose files can share blocks
 * (XFS, btrfs): BYTES new bytes (a tag, rounded up to whole pages) take the
 * place of the first page, and the rest shares the original's blocks instead
 * of being copied; flushed, named and renamed as above.
 * Prints "boden <count>". */
#define _GNU_SOURCE
#include <fcntl.h>
#include <libgen.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define SEITE 4096

static char puffer[256 * 1024];

/* The new content: a copy of `von`, or `kopf` bytes and then `von` from its
 * second page on, shared. */
static int fuellen(int von, int nach, size_t kopf) {
    if (kopf == 0) {
        for (;;) {
            const ssize_t n = read(von, puffer, sizeof puffer);
            if (n < 0) return -1;
            if (n == 0) return 0;
            if (write(nach, puffer, (size_t)n) != n) return -1;
        }
    }
    for (size_t rest = kopf; rest > 0;) {
        const size_t n = rest < sizeof puffer ? rest : sizeof puffer;
        if (write(nach, puffer, n) != (ssize_t)n) return -1;
        rest -= n;
    }
    loff_t lesen = SEITE;
    for (;;) {
        const ssize_t n = copy_file_range(von, &lesen, nach, NULL, 1 << 30, 0);
        if (n < 0) return -1;
        if (n == 0) return 0;
    }
}

static int ersetzen(const char* pfad, int* alt, size_t kopf) {
    char ordner[4096], quelle[64], name[4200];
    snprintf(ordner, sizeof ordner, "%s", pfad);
    const int von = open(pfad, O_RDONLY | O_CLOEXEC);
    const int nach = open(dirname(ordner), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (von < 0 || nach < 0 || fuellen(von, nach, kopf) != 0) return -1;
    struct stat st;
    if (fstat(von, &st) != 0 || fchmod(nach, st.st_mode & 07777) != 0) return -1;
    if (fdatasync(nach) != 0) return -1;
    snprintf(quelle, sizeof quelle, "/proc/self/fd/%d", nach);
    snprintf(name, sizeof name, "%s.boden-neu", pfad);
    if (linkat(AT_FDCWD, quelle, AT_FDCWD, name, AT_SYMLINK_FOLLOW) != 0) return -1;
    if (close(nach) != 0) return -1;
    if (rename(name, pfad) != 0) return -1;
    if (*alt >= 0) close(*alt);
    *alt = von;
    return 0;
}

int main(int argc, char** argv) {
    size_t kopf = 0;
    if (argc == 4 && strcmp(argv[1], "--teilen") == 0) {
        kopf = ((size_t)strtoul(argv[2], NULL, 10) + SEITE - 1) / SEITE * SEITE;
        argv += 2;
        argc -= 2;
    }
    if (argc != 2) {
        fprintf(stderr, "Aufruf: boden [--teilen BYTES] <Liste>\n");
        return 2;
    }
    FILE* liste = fopen(argv[1], "r");
    if (!liste) return 1;
    char zeile[4096];
    int alt = -1, n = 0;
    while (fgets(zeile, sizeof zeile, liste)) {
        zeile[strcspn(zeile, "\n")] = 0;
        if (!*zeile) continue;
        if (ersetzen(zeile, &alt, kopf) != 0) {
            perror(zeile);
            return 1;
        }
        ++n;
    }
    if (alt >= 0) close(alt);
    printf("boden %d\n", n);
    return 0;
}
