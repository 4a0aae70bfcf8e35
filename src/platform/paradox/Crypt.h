#pragma once
// Crypt: the scrambling Paradox applies to the data blocks of a table that
// has a password, and to its blob file. Reading needs no password: the key is
// stored in the header.

#include <cstddef>
#include <cstdint>

namespace tw::paradox {

// Unscrambles one data block of a .db file in place. blockSize is a multiple
// of 256; blockNumber counts from 1.
void decryptDbBlock(unsigned char *block, std::size_t blockSize, std::uint32_t key, std::uint32_t blockNumber);
void encryptDbBlock(unsigned char *block, std::size_t blockSize, std::uint32_t key, std::uint32_t blockNumber);

// Unscrambles 256-byte units of a .mb file in place (each unit on its own,
// aligned to 256 bytes in the file). size is a multiple of 256.
void decryptMbUnits(unsigned char *data, std::size_t size, std::uint32_t key);
void encryptMbUnits(unsigned char *data, std::size_t size, std::uint32_t key);

} // namespace tw::paradox
