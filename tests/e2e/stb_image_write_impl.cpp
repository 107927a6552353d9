// stb_image_write, with which the end-to-end tests make the PNG pictures a maker hands over.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
