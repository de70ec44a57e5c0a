// How the single-byte texts of tags are read. ID3v1 fields and ID3v2 frames marked ISO-8859-1
// were written by the Windows tools of Russian users in the system's code page, Windows-1251;
// some later tools wrote UTF-8 there. Frames that declare UTF-8 or UTF-16, and every other tag
// format, are read as they declare and never pass through here.
#pragma once

#include <string>

// The bytes (up to the first NUL) as UTF-8: unchanged when they are valid UTF-8 holding a byte
// past ASCII, read as Windows-1251 otherwise.
std::string SingleByteTagText(const std::string& bytes);

// Windows-1251 bytes as UTF-8; the one unassigned byte, 0x98, becomes U+0098 as Windows reads it.
std::string Windows1251ToUtf8(const std::string& bytes);
