// DES and three-key triple DES against published known answers and against
// vectors produced by an independent implementation (OpenSSL's DES-EDE3 in
// ECB mode, recorded here as literals); the enciphered connection string
// built on them and its option parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>

#include "app/connection_string.h"
#include "base/des.h"

namespace tessary {
namespace {

template <std::size_t N>
std::array<std::uint8_t, N> Hex(const std::string& text) {
  std::array<std::uint8_t, N> bytes{};
  EXPECT_EQ(text.size(), 2 * N) << text;
  for (std::size_t i = 0; i < N && 2 * i + 1 < text.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
  }
  return bytes;
}

struct Vector {
  const char* key;
  const char* plain;
  const char* cipher;
};

// Classic single-DES answers: the worked example of the standard's
// tutorials, the "Now is t" block, the NBS validation suite's first
// initial-permutation and variable-key entries, all-zero and all-one blocks.
constexpr Vector kDesVectors[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"0101010101010101", "95F8A5E5DD31D900", "8000000000000000"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"0000000000000000", "0000000000000000", "8CA64DE9C1B123A7"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "7359B2163E4EDC58"},
    {"3000000000000000", "1000000000000001", "958E6E627A05557B"},
};

TEST(Des, KnownAnswersBothWays) {
  for (const Vector& v : kDesVectors) {
    SCOPED_TRACE(std::string(v.key) + " " + v.plain);
    const auto key = Hex<8>(v.key);
    const auto plain = Hex<8>(v.plain);
    const auto cipher = Hex<8>(v.cipher);
    std::array<std::uint8_t, 8> out{};
    DesBlock(DesMode::Encipher, plain, key, out);
    EXPECT_EQ(out, cipher);
    DesBlock(DesMode::Decipher, cipher, key, out);
    EXPECT_EQ(out, plain);
  }
}

TEST(Des, ParityBitsOfTheKeyDoNotMatter) {
  // 0E329232EA6D0D73 with every low bit flipped.
  const auto key = Hex<8>("0F339333EB6C0C72");
  std::array<std::uint8_t, 8> out{};
  DesBlock(DesMode::Encipher, Hex<8>("8787878787878787"), key, out);
  EXPECT_EQ(out, Hex<8>("0000000000000000"));
}

TEST(Des, WorksInPlace) {
  auto block = Hex<8>("0123456789ABCDEF");
  DesBlock(DesMode::Encipher, block, Hex<8>("133457799BBCDFF1"), block);
  EXPECT_EQ(block, Hex<8>("85E813540F0AB405"));
}

// Recorded with: printf PLAIN | xxd -r -p | openssl enc -des-ede3 -K KEY -nopad | xxd -p
struct TripleVector {
  const char* key;
  const char* plain;
  const char* cipher;
};

constexpr TripleVector kTripleVectors[] = {
    {"0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123", "5468652071756663", "A826FD8CE53B855F"},
    {"50D09BF1188BB770E2416B9E62A415E77270C9CCAF3E7912", "4EFCE0004D7D35FD", "9464AB6789B1DB33"},
    {"D0D82A646565A3318F2FFD639BF3CA5EFA2C9210C85DB0C7", "8F6E8B6F9B197FCC", "B075CD1566DB7010"},
    {"AE3809446AEEBE85390F80463E71EF6D4F526529B02594FA", "55F595B80DCA69A5", "9B2D03418A2DB0E3"},
    {"2C42D04897E3BB1D73D8AAD7B8334B00747A9FD1F5FEF525", "4A48F26F8E7FFAB5", "649110A7A5AFAA86"},
    {"2A562FD8264F4B6FC0DE3A98895343352CBEC152C5AAFB45", "547EB807FF2347AC", "5EC4E929AAFA69C8"},
    {"1171E8B2DC63DBFE086A4329D7A48C1B76328703D877B53E", "074CAA76725F4755", "6B539F03B0ADD6DE"},
    // Two-key form (K3 = K1).
    {"2676EDE7BE625022B33C0E5F42C4E90C2676EDE7BE625022", "5B4698A872B3B1B0", "F401136B61C0F5FE"},
    // Three equal keys reduce to single DES.
    {"133457799BBCDFF1133457799BBCDFF1133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"000000000000000000000000000000000000000000000000", "0000000000000000", "8CA64DE9C1B123A7"},
};

TEST(TripleDes, AgreesWithOpenSslEde3Ecb) {
  for (const TripleVector& v : kTripleVectors) {
    SCOPED_TRACE(std::string(v.key) + " " + v.plain);
    const auto key = Hex<24>(v.key);
    const auto plain = Hex<8>(v.plain);
    const auto cipher = Hex<8>(v.cipher);
    std::array<std::uint8_t, 8> out{};
    EXPECT_EQ(TripleDesBlock(DesMode::Encipher, plain, key, out), 8u);
    EXPECT_EQ(out, cipher);
    EXPECT_EQ(TripleDesBlock(DesMode::Decipher, cipher, key, out), 8u);
    EXPECT_EQ(out, plain);
  }
}

constexpr char kConnectionPlaintext[] = "Provider=SQLite;Data Source=login.dat;Mode=ReadWrite";

TEST(ConnectionString, DeciphersToTheProgramsOwnString) {
  EXPECT_EQ(DecipherConnectionString(), kConnectionPlaintext);
  // The constant is exactly what enciphering the text gives, so it can be
  // regenerated with EncipherConnectionString when the string changes.
  const auto cipher = EncipherConnectionString(kConnectionPlaintext, ConnectionKey());
  EXPECT_TRUE(std::equal(cipher.begin(), cipher.end(), ConnectionCipherBlock().begin()));
}

TEST(ConnectionString, FirstBlockMatchesOpenSsl) {
  // openssl enc -des-ede3 -K 129ef501ceb685218a485f61a2a22be2b873e4887c7a8c4a -nopad
  const auto first = Hex<8>("1C4EB0159946512F");
  EXPECT_TRUE(std::equal(first.begin(), first.end(), ConnectionCipherBlock().begin()));
}

TEST(ConnectionString, TextEndsAtTheFirstZeroOrAfter168Bytes) {
  const auto key = ConnectionKey();
  EXPECT_EQ(DecipherConnectionString(EncipherConnectionString(std::string("ab\0cd", 5), key), key),
            "ab");
  const std::string full(200, 'x');
  EXPECT_EQ(DecipherConnectionString(EncipherConnectionString(full, key), key),
            std::string(168, 'x'));
  EXPECT_EQ(DecipherConnectionString(EncipherConnectionString("", key), key), "");
}

TEST(ConnectionString, ParsesTheOptionsTheProgramUses) {
  const ConnectionOptions options = ParseConnectionString(DecipherConnectionString());
  EXPECT_EQ(options.Provider(), "SQLite");
  EXPECT_EQ(options.DataSource(), "login.dat");
  EXPECT_EQ(options.Mode(), "ReadWrite");
  EXPECT_FALSE(options.ReadOnly());
  EXPECT_EQ(DatabasePath(options, "/opt/tessary"), std::filesystem::path("/opt/tessary/login.dat"));
}

TEST(ConnectionString, ParserCases) {
  struct Case {
    const char* text;
    const char* data_source;
    const char* mode;
    bool read_only;
  };
  const Case cases[] = {
      {"data source = cat.db ; MODE=read", "cat.db", "read", true},
      {"Data Source=\"C:\\a;b\\login.dat\";Mode=Read", "C:\\a;b\\login.dat", "Read", true},
      {"Data Source='it''s.dat';Mode=Share Deny None", "it's.dat", "Share Deny None", false},
      {"Provider=X;;junk;Data Source=;", "", "", false},
      {"Data Source=a.dat;Data Source=b.dat", "b.dat", "", false},
      {"", "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ConnectionOptions options = ParseConnectionString(c.text);
    EXPECT_EQ(options.DataSource(), c.data_source);
    EXPECT_EQ(options.Mode(), c.mode);
    EXPECT_EQ(options.ReadOnly(), c.read_only);
  }
  EXPECT_EQ(ParseConnectionString("Provider=X;;junk;Data Source=;").options.size(), 2u);
}

TEST(ConnectionString, AbsoluteDataSourceIsKept) {
  const ConnectionOptions options = ParseConnectionString("Data Source=/data/login.dat");
  EXPECT_EQ(DatabasePath(options, "/opt/tessary"), std::filesystem::path("/data/login.dat"));
  EXPECT_EQ(DatabasePath(ParseConnectionString("Mode=Read"), "/opt"), std::filesystem::path());
}

}  // namespace
}  // namespace tessary
