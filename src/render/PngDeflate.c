/* Screenshots' PNG data packed by zlib rather than by stb's own deflate,
   which is written for size of code, not speed: at zlib's fastest level a
   screenshot takes a third of the time. The pixels are the same; only the
   packing differs. The browser keeps stb's, having no zlib of its own. */
#include <stdlib.h>
#include <zlib.h>

unsigned char* molfo_png_deflate(unsigned char* data, int data_len, int* out_len, int quality) {
    uLongf size = compressBound((uLong)data_len);
    unsigned char* out = (unsigned char*)malloc(size);
    if (out == NULL) return NULL;
    if (compress2(out, &size, data, (uLong)data_len, quality) != Z_OK) {
        free(out);
        return NULL;
    }
    *out_len = (int)size;
    return out;
}
