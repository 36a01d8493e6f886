// Checks of facelet strings and random cubes, beside the solver.
#pragma once

#include <memory>
#include <random>
#include <string>

class CubieCube;

class Tools {
  public:
    // 0 for a string whose first 54 characters describe a cube that can be reached by face turns.
    // Otherwise -1 (a face letter not exactly nine times), the code of CubieCube::verify (-2..-6),
    // or, for pieces that verify but stickers that no real cube shows, -9 (a centre not showing
    // its own face's letter), -2 (an edge's stickers) or -4 (a corner's stickers).
    static int verify(std::string facelets);

    // The same check; on 0 it also hands over the cube read from the string.
    static int readCube(const std::string& facelets, std::unique_ptr<CubieCube>& cube);

    // The facelet string of a random cube that can be reached by face turns. It reseeds rand()
    // from clock() on every call.
    static std::string randomCube();
    // A cube drawn uniformly from those that can be reached by face turns, from a seeded
    // generator: the same cubes on every run and every host.
    static CubieCube randomCubie(std::mt19937& rng);
};
