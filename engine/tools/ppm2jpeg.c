/* Converts a binary PPM (P6, 8 bits) into a baseline JPEG with libjpeg: ppm2jpeg IN.ppm OUT.jpg
   Used once for the page banner of the program folder (see make-pictures.py). */
#include <stdio.h>
#include <stdlib.h>

#include <jpeglib.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  FILE* in = fopen(argv[1], "rb");
  int w, h, max;
  if (!in || fscanf(in, "P6 %d %d %d", &w, &h, &max) != 3 || max != 255 || fgetc(in) == EOF) return 1;
  unsigned char* pixels = malloc((size_t)w * h * 3);
  if (!pixels || fread(pixels, 3, (size_t)w * h, in) != (size_t)w * h) return 1;
  fclose(in);
  FILE* out = fopen(argv[2], "wb");
  if (!out) return 1;
  struct jpeg_compress_struct c;
  struct jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = pixels + (size_t)c.next_scanline * w * 3;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  fclose(out);
  free(pixels);
  return 0;
}
