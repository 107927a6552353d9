// Splash pictures for installer files: BMP files go in as they are; PNG and JPEG pictures are
// decoded (stb_image) and written as the BMP files the engine reads.
#pragma once

#include <string>

enum class PictureFormat { Bmp, Png, Jpeg, Other };

// By the file's first bytes.
PictureFormat pictureFormatOf(const std::string &bytes);
const char *pictureFormatName(PictureFormat format);

// The longest side the tool takes: the engine reads a splash picture whole and draws it on
// screens; a larger picture fits none.
constexpr int MAX_PICTURE_SIDE = 4096;

// A PNG or JPEG picture as a BMP file image: one of at most 256 colours as an 8-bit BMP whose
// colour table holds exactly its colours (in the order the rows from the top meet them), any
// other as a 24-bit BMP. Transparent parts are laid over black, the ground the saver shows its
// pictures on. False, with the reason in *problem, when the picture cannot be decoded or is
// larger than MAX_PICTURE_SIDE on a side.
bool convertPictureToBmp(const std::string &bytes, std::string *bmp, std::string *problem);
