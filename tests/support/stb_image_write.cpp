// The one copy of stb_image_write in each test program: tests include
// <stb/stb_image_write.h> for its declarations only.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
