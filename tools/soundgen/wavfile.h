// 16-bit PCM WAV files, mono, written from and read back into doubles in [-1, 1].
#pragma once

#include <string>
#include <vector>

struct WavData {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    std::vector<double> samples;   // interleaved when there is more than one channel
};

bool writeWav(const std::string& path, const std::vector<double>& mono, int sampleRate);
bool readWav(const std::string& path, WavData& out, std::string& error);
