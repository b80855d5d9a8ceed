/* minimal-convert: the plainest whole-buffer converter, as a yardstick for the engine: read the
 * whole file, one iconv call per step into a buffer large enough for any output, one write.
 *
 *     minimal-convert INPUT OUTPUT FROM TO [TO...]
 *
 * Each further TO converts the previous step's output again (BIG5 GB18030 BIG5 is what the
 * engine does for a Big5 web page written back as Big5). */
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int fail(const char* what) {
    fprintf(stderr, "minimal-convert: %s: %s\n", what, strerror(errno));
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 5) {
        fputs("usage: minimal-convert INPUT OUTPUT FROM TO [TO...]\n", stderr);
        return 2;
    }
    int in = open(argv[1], O_RDONLY);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0)
        return fail(argv[1]);
    size_t length = (size_t)info.st_size;
    char* data = malloc(length + 1);
    if (!data)
        return fail("malloc");
    size_t done = 0;
    while (done < length) {
        ssize_t got = read(in, data + done, length - done);
        if (got <= 0)
            return fail("read");
        done += (size_t)got;
    }
    close(in);

    for (int step = 3; step + 1 < argc; ++step) {
        iconv_t cd = iconv_open(argv[step + 1], argv[step]);
        if (cd == (iconv_t)-1)
            return fail("iconv_open");
        /* No supported pair more than doubles a text; untouched room costs no memory. */
        size_t capacity = 2 * length + 16;
        char* converted = malloc(capacity);
        if (!converted)
            return fail("malloc");
        char* from = data;
        size_t fromLeft = length;
        char* to = converted;
        size_t toLeft = capacity;
        if (iconv(cd, &from, &fromLeft, &to, &toLeft) == (size_t)-1)
            return fail("iconv");
        iconv_close(cd);
        free(data);
        data = converted;
        length = capacity - toLeft;
    }

    int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0)
        return fail(argv[2]);
    for (size_t put = 0; put < length;) {
        ssize_t wrote = write(out, data + put, length - put);
        if (wrote <= 0)
            return fail("write");
        put += (size_t)wrote;
    }
    return close(out) == 0 ? 0 : fail("close");
}
