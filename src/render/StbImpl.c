/* The one translation unit that holds stb's decoders and rasteriser. The
   desktop, the headless runs and the browser all compile this same code, so
   a picture decodes and a glyph rasterises to the same pixels everywhere.
   Built with -ffp-contract=off (see CMakeLists.txt): a fused multiply-add on
   one platform and not on another would move a glyph's edge by a shade. */
#define STBI_NO_SIMD /* the SIMD IDCT is not promised to match the plain one bit for bit */
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

/* The desktop build hands the PNG writer's deflate to zlib (PngDeflate.c). */
#ifdef STBIW_ZLIB_COMPRESS
unsigned char* STBIW_ZLIB_COMPRESS(unsigned char* data, int data_len, int* out_len, int quality);
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
