// stb_image_write, with which the tests make PNG and JPEG pictures: compiled once, without the
// project's warnings and without the undefined-behaviour sanitizer, whose checks it was not
// written for.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
