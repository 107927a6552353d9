// The PNG and JPEG decoder that lumivex-pack reads splash pictures with: stb_image, a well-kept
// single-file public-domain library that Debian ships (libstb-dev), compiled here once with only
// the two formats the tool takes. Its own code is built without the project's warnings and without
// the undefined-behaviour sanitizer, whose checks it was not written for.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#include <stb_image.h>
