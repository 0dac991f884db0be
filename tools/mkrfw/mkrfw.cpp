// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// mkrfw: turns a firmware image and a version into a Tavrune M4 firmware file (.rfw).
//
// The file is the Base64 text of AES-128-ECB (PKCS#7 padded) over
//   marker "Tavrune_M4" + major, minor, patch + image + MD5(marker + version + image).
// The options that spoil one layer make the damaged files that the checks must refuse.

#include "mkrfwcrypto.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using MkrfwCrypto::Bytes;

const char usage[] = "usage: mkrfw (--image FILE | --pattern SIZE) --version X.Y.Z [options] OUTPUT\n"
                     "  --image FILE     the firmware image, written unchanged into the plain text\n"
                     "  --pattern SIZE   a generated image of SIZE bytes instead, the same on every run\n"
                     "  --version X.Y.Z  major, minor and patch bytes, each 0 to 255\n"
                     "  --marker TEXT    type marker instead of Tavrune_M4 (any length)\n"
                     "  --key TEXT       AES key instead of the tool's own (16 bytes)\n"
                     "  --flip-bit N     flip bit N of the plain text after its digest is made\n"
                     "                   (bit 0 is the low bit of the marker's first byte)\n"
                     "  --pad-byte V     set the last padding byte to V (0 to 255) instead of the count\n"
                     "  --pad-fill V     set the padding bytes before the last to V (0 to 255)\n"
                     "  --wrap N         break the Base64 text into CRLF-terminated lines of N characters\n";

[[noreturn]] void fail(const std::string &message)
{
    std::cerr << "mkrfw: " << message << '\n';
    std::exit(1);
}

long number(const char *text, long low, long high, const char *what)
{
    char *end = nullptr;
    const long value = std::strtol(text, &end, 0);
    if (end == text || *end != '\0' || value < low || value > high)
        fail(std::string("bad ") + what + ": " + text);
    return value;
}

Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Differs from block to block (under ECB a repeating fill would give repeating cipher text, unlike any real
// image) and is the same on every run, so that builds stay reproducible.
Bytes pattern(size_t size)
{
    Bytes image(size);
    unsigned long state = 0x2545F491UL;
    for (unsigned char &byte : image) {
        state = (state * 1103515245UL + 12345UL) & 0x7FFFFFFFUL;
        byte = (unsigned char)(state >> 16);
    }
    return image;
}

Bytes md5(const Bytes &data)
{
    Bytes digest;
    if (!MkrfwCrypto::md5(data, digest))
        fail("MD5 failed");
    return digest;
}

Bytes encryptEcb(const Bytes &padded, const std::string &key)
{
    Bytes out;
    if (!MkrfwCrypto::encryptEcb(padded, key, out))
        fail("AES failed");
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    std::string imagePath;
    std::string versionText;
    std::string marker = "Tavrune_M4";
    std::string key = "Lm7#pR2!wQz9&Kx4";
    std::string outputPath;
    long flipBit = -1;
    long padByte = -1;
    long padFill = -1;
    long wrap = 0;
    long patternSize = -1;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            std::cout << usage;
            return 0;
        } else if (arg.rfind("--", 0) == 0 && !hasValue) {
            fail(arg + " needs a value\n" + usage);
        } else if (arg == "--image") {
            imagePath = argv[++i];
        } else if (arg == "--pattern") {
            patternSize = number(argv[++i], 1, 1L << 24, "pattern size");
        } else if (arg == "--version") {
            versionText = argv[++i];
        } else if (arg == "--marker") {
            marker = argv[++i];
        } else if (arg == "--key") {
            key = argv[++i];
        } else if (arg == "--flip-bit") {
            flipBit = number(argv[++i], 0, 1L << 30, "bit");
        } else if (arg == "--pad-byte") {
            padByte = number(argv[++i], 0, 255, "padding byte");
        } else if (arg == "--pad-fill") {
            padFill = number(argv[++i], 0, 255, "padding byte");
        } else if (arg == "--wrap") {
            wrap = number(argv[++i], 1, 1L << 20, "line length");
        } else if (arg.rfind("--", 0) == 0 || !outputPath.empty()) {
            fail("unexpected argument " + arg + "\n" + usage);
        } else {
            outputPath = arg;
        }
    }
    if (imagePath.empty() == (patternSize < 0) || versionText.empty() || outputPath.empty())
        fail(std::string("one image (--image or --pattern), a version and an output file are needed\n") + usage);
    if (key.size() != 16)
        fail("the key must be 16 bytes");

    unsigned major = 0, minor = 0, patch = 0;
    char tail = 0;
    if (std::sscanf(versionText.c_str(), "%u.%u.%u%c", &major, &minor, &patch, &tail) != 3 || major > 255 ||
        minor > 255 || patch > 255)
        fail("bad version: " + versionText);

    const Bytes image = patternSize < 0 ? readFile(imagePath) : pattern(size_t(patternSize));
    Bytes plain(marker.begin(), marker.end());
    plain.push_back((unsigned char)major);
    plain.push_back((unsigned char)minor);
    plain.push_back((unsigned char)patch);
    plain.insert(plain.end(), image.begin(), image.end());
    const Bytes digest = md5(plain);
    plain.insert(plain.end(), digest.begin(), digest.end());

    if (flipBit >= 0) {
        if (size_t(flipBit / 8) >= plain.size())
            fail("the plain text has only " + std::to_string(plain.size() * 8) + " bits");
        plain[size_t(flipBit / 8)] ^= (unsigned char)(1u << (flipBit % 8));
    }

    const size_t padding = 16 - plain.size() % 16;
    plain.insert(plain.end(), padding, (unsigned char)padding);
    if (padFill >= 0)
        std::fill(plain.end() - long(padding), plain.end() - 1, (unsigned char)padFill);
    if (padByte >= 0)
        plain.back() = (unsigned char)padByte;

    const std::string text = MkrfwCrypto::base64(encryptEcb(plain, key));
    std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
    if (wrap == 0) {
        out << text;
    } else {
        for (size_t pos = 0; pos < text.size(); pos += size_t(wrap))
            out << text.substr(pos, size_t(wrap)) << "\r\n";
    }
    out.close();
    if (!out)
        fail("cannot write " + outputPath);
    return 0;
}
