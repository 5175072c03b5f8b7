// kaveto-sounds FOLDER: synthesises the game's sounds into FOLDER as 16-bit
// mono WAV files at 22,050 Hz, the same bytes on every run: data/sounds/
// holds what it wrote, and a test writes them again and compares.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const int rate = 22050;
const double pi = 3.14159265358979323846;

// A sound: its length in seconds and its value at each time, about -1 to 1.
struct Sound {
    const char* name;
    double seconds;
    std::function<double(double)> at;
};

// The same noise on every run: a linear congruential generator, -1 to 1.
struct Noise {
    uint32_t state = 12345;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

// A struck wooden bar: a few inharmonic partials that die away fast, and a
// short burst of noise for the strike; pitch sets the first partial.
std::function<double(double)> knock(double pitch, double decay) {
    auto noise = std::make_shared<Noise>();
    auto low = std::make_shared<double>(0.0);
    return [=](double t) {
        const double partials[3][2] = {{1.0, 1.0}, {2.76, 0.4}, {5.4, 0.15}};
        double v = 0;
        for (const auto& p : partials)
            v += p[1] * std::sin(2 * pi * pitch * p[0] * t) * std::exp(-t * decay * p[0]);
        // The strike, smoothed a little so that it thuds rather than hisses.
        *low += 0.3 * (noise->next() - *low);
        v += 0.8 * *low * std::exp(-t * 300);
        return 0.55 * v;
    };
}

// A bell-like note: a tone with its octave and twelfth, decaying slowly.
double bell(double frequency, double t, double decay) {
    if (t < 0)
        return 0;
    const double attack = std::min(1.0, t / 0.004);
    return attack * std::exp(-t * decay) *
           (std::sin(2 * pi * frequency * t) + 0.35 * std::sin(2 * pi * 2 * frequency * t) +
            0.12 * std::sin(2 * pi * 3 * frequency * t));
}

// Notes one after another, each starting `step` seconds after the last.
std::function<double(double)> tune(std::vector<double> notes, double step, double decay) {
    return [=](double t) {
        double v = 0;
        for (size_t i = 0; i < notes.size(); i++)
            v += bell(notes[i], t - step * static_cast<double>(i), decay);
        return 0.28 * v;
    };
}

const double C5 = 523.25, E5 = 659.26, G5 = 783.99, C6 = 1046.5, A4 = 440.0, F4 = 349.23,
             D4 = 293.66, E4 = 329.63;

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8 & 0xff);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// The RIFF WAVE file of a sound, faded out over its last 10 ms.
std::string wave(const Sound& sound) {
    const int samples = static_cast<int>(sound.seconds * rate);
    std::string data;
    for (int i = 0; i < samples; i++) {
        const double t = static_cast<double>(i) / rate;
        const double fade = std::min(1.0, (sound.seconds - t) / 0.01);
        const double v = std::max(-1.0, std::min(1.0, sound.at(t) * fade));
        put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32000))));
    }
    std::string out = "RIFF";
    put32(out, static_cast<uint32_t>(36 + data.size()));
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, rate);
    put32(out, rate * 2);
    put16(out, 2);
    put16(out, 16);
    out += "data";
    put32(out, static_cast<uint32_t>(data.size()));
    return out + data;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kaveto-sounds FOLDER\n");
        return 2;
    }
    const Sound sounds[] = {
        // A ball landing on level 1, 2 or 3: the higher, the higher the knock.
        {"land1", 0.16, knock(370, 38)},
        {"land2", 0.16, knock(415, 38)},
        {"land3", 0.16, knock(466, 38)},
        // A full column: a low, damped tap.
        {"full", 0.12, knock(150, 60)},
        // A row made: one chime.
        {"row", 0.7, tune({C6}, 0, 6)},
        // GAME OVER: won rises, lost falls, two players' end rests between.
        {"win", 1.0, tune({C5, E5, G5, C6}, 0.11, 5)},
        {"loss", 1.1, tune({A4, F4, E4, D4}, 0.16, 5)},
        {"end", 0.9, tune({G5, E5, C5}, 0.14, 5)},
    };
    for (const Sound& sound : sounds) {
        const std::string path = std::string(argv[1]) + "/" + sound.name + ".wav";
        const std::string bytes = wave(sound);
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "kaveto-sounds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
