// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// mkrfw: turns a firmware image and a version into a Tavrune M4 firmware file (.rfw).
//
// The file is the Base64 text of AES-128-ECB (PKCS#7 padded) over
//   marker "Tavrune_M4" + major, minor, patch + image + MD5(marker + version + image),
// made by the program's own FirmwareFile, whose cipher its tests hold against OpenSSL. The options that
// spoil one layer make the damaged files that the checks must refuse.

#include "device/firmwarefile.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

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

QByteArray readFile(const std::string &path)
{
    QFile in(QString::fromStdString(path));
    if (!in.open(QIODevice::ReadOnly))
        fail("cannot read " + path);
    return in.readAll();
}

// Differs from block to block (under ECB a repeating fill would give repeating cipher text, unlike any real
// image) and is the same on every run, so that builds stay reproducible.
QByteArray pattern(int size)
{
    QByteArray image(size, '\0');
    unsigned long state = 0x2545F491UL;
    for (char &byte : image) {
        state = (state * 1103515245UL + 12345UL) & 0x7FFFFFFFUL;
        byte = char(state >> 16);
    }
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    std::string imagePath;
    std::string versionText;
    QByteArray marker = FirmwareFile::typeMarker();
    QByteArray key = FirmwareFile::cipherKey();
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

    const QByteArray image = patternSize < 0 ? readFile(imagePath) : pattern(int(patternSize));
    QByteArray plain = FirmwareFile::withDigest(marker + char(major) + char(minor) + char(patch) + image);

    if (flipBit >= 0) {
        if (flipBit / 8 >= plain.size())
            fail("the plain text has only " + std::to_string(plain.size() * 8) + " bits");
        plain[int(flipBit / 8)] = char(plain.at(int(flipBit / 8)) ^ (1 << (flipBit % 8)));
    }

    QByteArray padded = FirmwareFile::padded(plain);
    const int padding = padded.size() - plain.size();
    if (padFill >= 0)
        padded.replace(plain.size(), padding - 1, QByteArray(padding - 1, char(padFill)));
    if (padByte >= 0)
        padded[padded.size() - 1] = char(padByte);

    const QByteArray text = FirmwareFile::encipher(padded, key);
    QByteArray lines = text;
    if (wrap > 0) {
        lines.clear();
        for (int pos = 0; pos < text.size(); pos += int(wrap))
            lines += text.mid(pos, int(wrap)) + "\r\n";
    }
    QFile out(QString::fromStdString(outputPath));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(lines) != lines.size() ||
        !out.flush())
        fail("cannot write " + outputPath);
    return 0;
}
