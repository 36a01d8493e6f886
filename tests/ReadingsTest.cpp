#include <gtest/gtest.h>

#include <map>

#include "ProcessSupport.h"
#include "TestSupport.h"
#include "cube/FaceOrder.h"
#include "cube/ScanModels.h"
#include "requests/ColourResolution.h"

namespace fs = std::filesystem;

namespace {

std::string numbersOf(const StickerReadings& readings) {
    std::string text;
    for (const auto& reading : readings.rgb) {
        for (double v : reading) text += std::to_string(v) + " ";
    }
    return text;
}

TEST(ColourResolution, ResolvesScansToRealCubesWithConsistentCandidates) {
    // Clear scans resolve to the cube scanned; at every level the resolved cube is a real cube
    // with its centres in place, the candidates are distinct real cubes, likeliest first, their
    // probabilities those of their misfits, and the doubtful stickers are where they differ. A
    // covered sticker fits no colour and the cube is not decided. Readings come in any scale: the
    // same scan in other units resolves alike, saturated camera channels included. A sticker 20 %
    // brighter than its colour's mean fits it better than one whose red is 20 % higher and green
    // 20 % lower: the brightness factor moves all three channels alike.
    std::mt19937 rng(5);
    for (int n = 0; n < 300; ++n) {
        const std::string cube = faceletsOf(Tools::randomCubie(rng));
        const int level = n % 3;
        StickerReadings scan = level == 0   ? ScanModels::ev3Scan(cube, 0.05, 0.05, rng)
                               : level == 1 ? ScanModels::cameraScan(cube, 3, rng)
                                            : ScanModels::ev3Scan(cube, 0.15, 0.15, rng);
        const int covered = n % 54;
        if (n % 10 == 9) scan.rgb[covered] = {0, 0, 0};
        const Resolution r = ColourResolution::resolve(scan);
        if (n % 4 == 0) {
            StickerReadings scaled = scan;
            for (auto& reading : scaled.rgb) {
                for (double& v : reading) v *= 37.5;
            }
            const Resolution b = ColourResolution::resolve(scaled);
            ASSERT_EQ(r.candidates.size(), b.candidates.size()) << n;
            for (std::size_t i = 0; i < r.candidates.size(); ++i) {
                EXPECT_EQ(r.candidates[i].facelets, b.candidates[i].facelets) << n;
                EXPECT_NEAR(r.candidates[i].probability, b.candidates[i].probability, 1e-4) << n;
            }
            EXPECT_NEAR(r.noise, b.noise, 1e-4) << n;
            EXPECT_NEAR(r.brightnessSpread, b.brightnessSpread, 1e-4) << n;
            EXPECT_EQ(r.unfit, b.unfit) << n;
        }
        if (level == 0 && n < 60 && n % 10 != 9) {
            const int k = n / 3, p = k % 2 ? 9 * (k % 6) + k % 4 : 9 * (k % 6) + 5 + k % 4;
            std::array<double, 3> mean{};
            for (int q = 0; q < 54; ++q) {
                for (int c = 0; c < 3; ++c) mean[c] += cube[q] == cube[p] ? scan.rgb[q][c] / 9 : 0;
            }
            StickerReadings brighter = scan, otherHue = scan;
            brighter.rgb[p] = {1.2 * mean[0], 1.2 * mean[1], 1.2 * mean[2]};
            otherHue.rgb[p] = {1.2 * mean[0], 0.8 * mean[1], mean[2]};
            EXPECT_LT(ColourResolution::resolve(brighter).distance[p],
                      ColourResolution::resolve(otherHue).distance[p])
                << n;
        }
        const bool decided = ColourResolution::decides(r, ColourResolution::defaultMinConfidence);
        if (n % 10 == 9) {
            EXPECT_EQ(r.unfit, std::vector<int>{covered}) << n;
            EXPECT_FALSE(decided);
            continue;
        }
        if (level < 2) {
            EXPECT_TRUE(decided && r.facelets() == cube) << n;
        }
        if (!r.settled) {
            EXPECT_FALSE(decided) << n;
        }
        EXPECT_EQ(r.confidence, r.candidates[0].probability);
        std::vector<int> doubtful;
        double total = 0;
        for (std::size_t i = 0; i < r.candidates.size(); ++i) {
            const CandidateCube& c = r.candidates[i];
            EXPECT_EQ(Tools::verify(c.facelets), 0);
            EXPECT_NEAR(c.probability, r.confidence * std::exp(-c.misfit / 2), 1e-9);
            // Calibrated, a runner-up is likelier than its likelihood alone says, never less.
            EXPECT_GE(c.misfit, 0);
            EXPECT_LE(c.misfit, c.likelihoodMisfit);
            if (c.likelihoodMisfit > 0) {
                EXPECT_LT(c.misfit, c.likelihoodMisfit);
            }
            if (i > 0) {
                EXPECT_GE(c.misfit, r.candidates[i - 1].misfit);
            }
            for (std::size_t j = 0; j < i; ++j) EXPECT_NE(c.facelets, r.candidates[j].facelets);
            for (int p = 0; p < 54; ++p) {
                if (c.facelets[p] != r.facelets()[p]) doubtful.push_back(p);
            }
            total += c.probability;
        }
        EXPECT_LE(total, 1 + 1e-9);
        std::sort(doubtful.begin(), doubtful.end());
        doubtful.erase(std::unique(doubtful.begin(), doubtful.end()), doubtful.end());
        EXPECT_EQ(r.doubtful, doubtful);
    }
}

TEST(ColourResolution, RecolouringsExchangeTheColoursAsATurnOfTheWholeCube) {
    // Each recolouring is a real cube that shows the cube's stickers with each colour exchanged
    // for one other, the centres kept; turned back, it gives the cube. The half turn about the U-D
    // axis, red for orange and green for blue, always gives a real cube.
    std::mt19937 rng(12);
    for (int n = 0; n < 30; ++n) {
        const std::string cube = faceletsOf(Tools::randomCubie(rng));
        const std::vector<std::string> cubes = ColourResolution::recolourings(cube);
        std::string halfTurn = cube;
        const std::string from = "URFDLB", to = "ULBDRF";
        for (int p = 0; p < 54; ++p) {
            if (p % 9 != 4) halfTurn[p] = to[from.find(cube[p])];
        }
        EXPECT_NE(std::find(cubes.begin(), cubes.end(), halfTurn), cubes.end()) << n;
        for (const std::string& other : cubes) {
            EXPECT_EQ(Tools::verify(other), 0);
            EXPECT_NE(other, cube);
            std::map<char, char> exchange;
            for (int p = 0; p < 54; ++p) {
                if (p % 9 == 4) {
                    EXPECT_EQ(other[p], cube[p]);
                } else {
                    EXPECT_EQ(exchange.emplace(cube[p], other[p]).first->second, other[p]) << p;
                }
            }
            const std::vector<std::string> back = ColourResolution::recolourings(other);
            EXPECT_NE(std::find(back.begin(), back.end(), cube), back.end());
        }
    }
}

TEST(ColourResolution, OnlyASettledConfidentResolutionWithoutUnfitStickersDecides) {
    Resolution r;
    r.candidates.push_back({solvedFacelets, 0, 0, 1});
    r.confidence = 1;
    EXPECT_TRUE(ColourResolution::decides(r, ColourResolution::defaultMinConfidence));
    r.settled = false;
    EXPECT_FALSE(ColourResolution::decides(r, 0));
    r.settled = true;
    r.unfit = {3};
    EXPECT_FALSE(ColourResolution::decides(r, 0));
    r.unfit.clear();
    r.confidence = 0.99;
    EXPECT_FALSE(ColourResolution::decides(r, 0.995));
    EXPECT_TRUE(ColourResolution::decides(r, 0.99));
}

TEST(Readings, TextAndFaceOrdersAreReadOrRefusedWithTheirReason) {
    StickerReadings readings;
    std::string json = "[", plain;
    for (int n = 0; n < 162; ++n) {
        json += (n % 3 == 0 ? "[" : "") + std::to_string(n) + (n % 3 == 2 ? "], " : ", ");
        plain += std::to_string(n) + ".5e0\n";
    }
    json.replace(json.size() - 2, 2, "]");
    ASSERT_EQ(StickerReadings::parse(json, readings), "");
    EXPECT_EQ(readings.rgb[53][2], 161);
    ASSERT_EQ(StickerReadings::parse(plain, readings), "");
    EXPECT_EQ(readings.rgb[1][0], 3.5);
    const std::pair<std::string, std::string> refused[] = {
        {plain + "1", "not 163"},
        {"", "not 0"},
        {"-1 " + plain.substr(plain.find('\n')),
         "number 1 of the readings (sticker 1, red) is negative"},
        {plain.substr(0, plain.rfind('\n', plain.size() - 2)) + " nan",
         "(sticker 54, blue) is no number: \"nan\""},
        {"1e999 " + plain.substr(plain.find('\n')), "is too large"},
        {"0x1 " + plain.substr(plain.find('\n')), "is no number"},
        {"+1 " + plain.substr(plain.find('\n')), "is no number"},
    };
    for (const auto& [text, reason] : refused) {
        const std::string error = StickerReadings::parse(text, readings);
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    // A scan given face by face as U L F R B D comes back in the solver's order.
    FaceOrder order;
    ASSERT_EQ(FaceOrder::parse("ULFRBD", order), "");
    const std::string& s = solvedFacelets;
    const std::string given = s.substr(0, 9) + s.substr(36, 9) + s.substr(18, 9) + s.substr(9, 9) +
                              s.substr(45, 9) + s.substr(27, 9);
    EXPECT_EQ(order.toSolverOrder(given), s);
    for (const char* wrong : {"ULFRB", "ULFRBU", "ulfrbd", "ULFRBDD"}) {
        EXPECT_NE(FaceOrder::parse(wrong, order), "") << wrong;
    }
}

TEST(Readings, EveryProgramAnswersTheReadingsAsTheResolvedCube) {
    // For each scan and options, cubesolver with a readings file, with standard input and with
    // the scan in another face order, and cubesolver-stream with the numbers on the line, each
    // print what cubesolver prints for the resolved cube's facelets with the same options;
    // a scan that does not decide the cube gets "Error 10" everywhere. Bad readings are option
    // errors: status 2, or "Option error: ".
    ScratchDir dir;
    std::mt19937 rng(11);
    // Options whose answer does not depend on the machine's speed: one thread, and a time limit
    // alone, which keeps the answer without options.
    const std::vector<std::string> optionSets[] = {{},
                                                   {"--max-moves", "20", "--threads", "1"},
                                                   {"--time-limit", "3000"},
                                                   {"--target", "checkerboard"}};
    std::string streamInput, streamExpected;
    for (int n = 0; n < 8; ++n) {
        // The solved cube first: without options it gets the specified search's moves, not "".
        const std::string cube = n == 0 ? solvedFacelets : faceletsOf(Tools::randomCubie(rng));
        StickerReadings scan = ScanModels::ev3Scan(cube, 0.05, 0.05, rng);
        if (n == 7) scan.rgb[3] = {0, 0, 0};
        const std::vector<std::string>& options = optionSets[n % 4];
        std::vector<std::string> words = options;
        words.push_back(n == 7 ? "Error 10" : cube);
        const std::string expected =
            n == 7 ? "Error 10\n" : runProgram(CUBESOLVER_EXE, words, dir.path).out;
        std::ofstream(dir.path / "scan") << numbersOf(scan);
        // The scan as given in the order D B R F L U: each block of nine is a face.
        const int faceOfBlock[] = {3, 5, 1, 2, 4, 0};
        StickerReadings reordered;
        for (int p = 0; p < 54; ++p) reordered.rgb[p] = scan.rgb[9 * faceOfBlock[p / 9] + p % 9];
        std::ofstream(dir.path / "reordered") << numbersOf(reordered);
        std::vector<std::string> fromFile = options, fromReordered = options;
        fromFile.insert(fromFile.end(), {"--readings", "scan"});
        fromReordered.insert(fromReordered.end(),
                             {"--face-order", "DBRFLU", "--readings", "reordered"});
        EXPECT_EQ(runProgram(CUBESOLVER_EXE, fromFile, dir.path).out, expected) << n;
        EXPECT_EQ(runProgram(CUBESOLVER_EXE, fromReordered, dir.path).out, expected) << n;
        std::string command = programCommand(CUBESOLVER_EXE);
        for (const std::string& word : options) command += " " + word;
        EXPECT_EQ(runShell(command + " --readings - <scan", dir.path).out, expected) << n;
        for (const std::string& word : options) streamInput += word + " ";
        streamInput += "--readings " + numbersOf(scan) + "\n";
        streamExpected += expected;
    }
    std::ofstream(dir.path / "bad") << "1 2 3";
    const std::vector<std::string> bad[] = {{"--readings", "bad"},
                                            {"--readings", "missing"},
                                            {"--readings", "scan", solvedFacelets},
                                            {"--min-confidence", "2", "--readings", "scan"},
                                            {"--report", "x.svg", solvedFacelets}};
    for (const auto& words : bad) {
        const ProcessResult r = runProgram(CUBESOLVER_EXE, words, dir.path);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.out, "");
        streamInput += "--readings 1 2 3\n";
        streamExpected +=
            "Option error: the readings are 162 numbers (54 stickers, red green blue each), not "
            "3\n";
    }
    const ProcessResult stream = runStream(streamInput);
    EXPECT_EQ(stream.out, streamExpected);
}

}  // namespace
