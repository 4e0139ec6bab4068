// The stb image decoder is compiled here, in our own build, so that the
// sanitizers and fuzzers cover it. Only 8-bit decoding from files and
// memory is needed.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_FAILURE_USERMSG
#include <stb/stb_image.h>
