// repair-rates [CUBES [SEED]]: plants the faults a camera makes into random cubes and prints how
// often the explanation (the one --explain prints) of the rejected scan names the planted fault's
// repair, and how often first.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/Tools.h"
#include "requests/ScanExplanation.h"

namespace {

// One sticker read as another colour.
std::string changeOne(const std::string& cube, std::mt19937& rng) {
    std::string scan = cube;
    const int p = static_cast<int>(rng() % 54);
    const std::size_t colour = std::string("URFDLB").find(scan[p]);
    scan[p] = "URFDLB"[(colour + 1 + rng() % 5) % 6];
    return scan;
}

// Two outer stickers of one face read in each other's place.
std::string swapOnFace(const std::string& cube, std::mt19937& rng) {
    const int outer[] = {0, 1, 2, 3, 5, 6, 7, 8};
    const int face = static_cast<int>(rng() % 6);
    const int p = 9 * face + outer[rng() % 8];
    const int q = 9 * face + outer[rng() % 8];
    std::string scan = cube;
    std::swap(scan[p], scan[q]);
    return scan;
}

// Any two stickers read in each other's place.
std::string swapAny(const std::string& cube, std::mt19937& rng) {
    std::string scan = cube;
    std::swap(scan[rng() % 54], scan[rng() % 54]);
    return scan;
}

// One face read a quarter turn off, either way.
std::string turnFace(const std::string& cube, std::mt19937& rng) {
    return WholeCubeTurns::turnFaceStickers(cube, static_cast<int>(rng() % 6), rng() % 2 ? 1 : 3);
}

// The cube held in one of the 23 wrong ways.
std::string holdOtherwise(const std::string& cube, std::mt19937& rng) {
    return WholeCubeTurns::apply(cube, 1 + static_cast<int>(rng() % 23));
}

}  // namespace

int main(int argc, char** argv) {
    CubieCube::initAllStaticVariables();
    const int cubes = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::mt19937 rng(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 19u);
    const std::pair<const char*, std::string (*)(const std::string&, std::mt19937&)> faults[] = {
        {"one sticker changed", changeOne},         {"two stickers of a face swapped", swapOnFace},
        {"any two stickers swapped", swapAny},      {"a face read a quarter turn off", turnFace},
        {"the cube held otherwise", holdOtherwise},
    };
    std::printf("%-32s %6s %7s %7s %8s\n", "fault planted", "cubes", "named", "first", "repairs");
    for (const auto& [name, plant] : faults) {
        int named = 0, first = 0;
        long repairs = 0;
        for (int n = 0; n < cubes; ++n) {
            const std::string cube = Tools::randomCubie(rng).toFaceCube()->to_String();
            std::string scan;
            // A fault that leaves a cube that can be solved cannot be seen (two stickers of one
            // colour swapped, a face that looks the same turned): plant another.
            do scan = plant(cube, rng);
            while (Tools::verify(scan) == 0);
            const ScanExplanation explanation = ScanExplanation::of(scan);
            repairs += static_cast<long>(explanation.repairs.size());
            for (std::size_t i = 0; i < explanation.repairs.size(); ++i) {
                if (explanation.repairs[i].cube != cube) continue;
                ++named;
                if (i == 0) ++first;
                break;
            }
        }
        std::printf("%-32s %6d %6.1f%% %6.1f%% %8.1f\n", name, cubes, 100.0 * named / cubes,
                    100.0 * first / cubes, static_cast<double>(repairs) / cubes);
    }
    return 0;
}
