#include "wizard/transmission/FormParts.h"

#include <gtest/gtest.h>

namespace orlavo::transmission {
namespace {

TEST(FormParts, BoundaryAndDelimitersHaveTheirFixedLengths) {
    EXPECT_EQ(kBoundary.size(), 41u);
    EXPECT_EQ(kBoundary.find_first_not_of('-'), 27u);
    EXPECT_EQ(kDelimiterLine, "--" + std::string(kBoundary) + "\r\n");
    EXPECT_EQ(kDelimiterLine.size(), 45u);
    EXPECT_EQ(kClosingHead.size(), 43u);
    EXPECT_EQ(kClosingHead.size() + kClosingDashes.size() + kCrlf.size(), kClosingLength);
    EXPECT_EQ(kClosingLength, 47u);
}

TEST(FormParts, HeaderBlockHasItsFiveLinesInOrder) {
    EXPECT_EQ(HeaderBlock(),
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
              "application/vnd.ms-excel, application/msword, application/vnd.ms-powerpoint, "
              "application/pdf, */*\r\n"
              "Accept-Language: en-us\r\n"
              "Content-Type: multipart/form-data; "
              "boundary=---------------------------7d22db37402707\r\n"
              "Proxy-Connection: Keep-Alive\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; .NET CLR "
              "1.0.3328)\r\n");
}

TEST(FormParts, ValuePartCarriesTheValueUnchanged) {
    EXPECT_EQ(ValuePart("PriceRequest", "<a b=\"1\"/>\r\n\xE9"),
              "-----------------------------7d22db37402707\r\n"
              "Content-Disposition: form-data; name=\"PriceRequest\"\r\n\r\n"
              "<a b=\"1\"/>\r\n\xE9\r\n");
}

TEST(FormParts, FilePartHeaderKeepsThePathAsTheOrderHoldsIt) {
    EXPECT_EQ(FilePartHeader("C:\\Pictures\\Holiday\\img_01.jpg", "image/pjpeg"),
              "-----------------------------7d22db37402707\r\n"
              "Content-Disposition: form-data; name=\"file\"; "
              "filename=\"C:\\Pictures\\Holiday\\img_01.jpg\"\r\n"
              "Content-Type: image/pjpeg\r\n\r\n");
}

TEST(FormParts, FileNameCannotBreakOutOfItsHeader) {
    std::string header =
        FilePartHeader("/home/ada/a\"b\r\nContent-Type: text/html.jpg", "image/pjpeg");
    EXPECT_EQ(header,
              "-----------------------------7d22db37402707\r\n"
              "Content-Disposition: form-data; name=\"file\"; "
              "filename=\"/home/ada/a%22b%0D%0AContent-Type: text/html.jpg\"\r\n"
              "Content-Type: image/pjpeg\r\n\r\n");
}

TEST(FormParts, MediaTypeFollowsTheFormatIndex) {
    EXPECT_EQ(MediaType(0), "image/pjpeg");
    EXPECT_EQ(MediaType(1), "image/gif");
    EXPECT_EQ(MediaType(2), "image/x-xbitmap");
    EXPECT_EQ(MediaType(3), "image/png");
    EXPECT_EQ(MediaType(4), "image/tiff");
    EXPECT_EQ(MediaType(5), "image/pcx");
    EXPECT_EQ(MediaType(6), "image/pgm");
    EXPECT_EQ(MediaType(7), "image/pict");
    EXPECT_EQ(MediaType(8), "image/targa");
    EXPECT_EQ(MediaType(9), "");
    EXPECT_EQ(MediaType(-1), "");
}

TEST(FormParts, AnnouncedLengthAddsCrlfAndClosingDelimiter) {
    EXPECT_EQ(UploadBodyLength(150, 100, 300), 150u + 100u + 2u + 300u + 47u);
}

}  // namespace
}  // namespace orlavo::transmission
