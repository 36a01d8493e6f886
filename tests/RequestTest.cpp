#include <gtest/gtest.h>

#include "ProcessSupport.h"
#include "TestSupport.h"
#include "cube/Patterns.h"
#include "requests/Request.h"

namespace fs = std::filesystem;

namespace {

TEST(RequestOptions, WordsGiveTheOptionsOrOneError) {
    struct Case {
        std::vector<std::string> words;
        int maxMoves;
        long timeLimit;
        bool shortest;
        std::string target, cube;
    };
    const std::string c = solvedFacelets;
    const Case accepted[] = {
        {{c, "--shortest"}, 24, 5120, false, "", c},  // no options: later words ignored
        {{"--max-moves", "0", "--time-limit=1", c}, 0, 1, false, "", c},
        {{"--max-moves=30", "--shortest", "--target=superflip", c}, 30, 5120, true, "superflip", c},
        {{"--time-limit", "3600000", "--help"}, 24, 3600000, false, "", ""},
    };
    for (const Case& t : accepted) {
        const ParsedRequest r = parseRequest(t.words);
        const std::string where = ::testing::PrintToString(t.words);
        EXPECT_EQ(r.error, "") << where;
        EXPECT_EQ(r.options.maxMoves, t.maxMoves) << where;
        EXPECT_EQ(r.options.timeLimitMillis, t.timeLimit) << where;
        EXPECT_EQ(r.options.shortest, t.shortest) << where;
        EXPECT_EQ(r.options.target, t.target) << where;
        EXPECT_EQ(r.cube, t.cube) << where;
    }
    const std::vector<std::string> refused[] = {
        {"--max-moves", "31", c},
        {"--max-moves", "-1", c},
        {"--time-limit", "0", c},
        {"--time-limit", "99999999999999999999", c},
        {"--max-moves", "2x", c},
        {"--shortest=1", c},
        {"--target=", c},
        {"--fewest", c},
        {"-", c},
        {"--shortest"},
        {"--max-moves"},
        {"--shortest", c, c},
    };
    for (const auto& words : refused) {
        EXPECT_NE(parseRequest(words).error, "") << ::testing::PrintToString(words);
    }
    EXPECT_EQ(splitWords(" \t--shortest  X\t"), (std::vector<std::string>{"--shortest", "X"}));
}

TEST(Patterns, MovesMakeTheNamedPatterns) {
    EXPECT_EQ(Patterns::facelets("checkerboard"),
              "UDUDUDUDURLRLRLRLRFBFBFBFBFDUDUDUDUDLRLRLRLRLBFBFBFBFB");
    EXPECT_EQ(Patterns::facelets("superflip"),
              "UBULURUFURURFRBRDRFUFLFRFDFDFDLDRDBDLULBLFLDLBUBRBLBDB");
    EXPECT_EQ(Patterns::facelets("six-spots"),
              "FFFFUFFFFUUUURUUUURRRRFRRRRBBBBDBBBBDDDDLDDDDLLLLBLLLL");
    CubieCube cube;
    EXPECT_FALSE(Patterns::applyMoves(cube, "R2 X"));
    EXPECT_FALSE(Patterns::applyMoves(cube, "R3"));
    EXPECT_TRUE(cube == CubieCube());
}

// The cube the answer turns the cube into, or an error line.
std::string turnedBy(const std::string& cube, const std::string& answer) {
    if (answer.rfind("Error", 0) == 0 || answer.rfind("Target", 0) == 0) return answer;
    CubieCube turned = *FaceCube(cube).toCubieCube();
    Patterns::applyMoves(turned, answer);
    return faceletsOf(turned);
}

int moveCount(const std::string& answer) {
    return static_cast<int>(std::count(answer.begin(), answer.end(), ' '));
}

TEST(Request, AnswersWithOptionsTurnRandomCubesIntoRandomTargetsAndPatterns) {
    // Random cubes to the solved cube, to random cubes and to the patterns: within the move
    // limit without a time limit that could strike on a slow machine, the shortest answer of a
    // short time (or "Error 8" when none was found in it), and the cube already at its target.
    std::mt19937 rng(17);
    for (int i = 0; i < 30; ++i) {
        const std::string cube = faceletsOf(Tools::randomCubie(rng));
        std::string target = i % 3 == 0 ? solvedFacelets : faceletsOf(Tools::randomCubie(rng));
        std::string name;
        if (i % 3 == 1) {
            name = Patterns::all[i % Patterns::count].name;
            target = Patterns::facelets(name);
        }
        const std::vector<std::string> words[] = {
            {"--max-moves", "20", "--time-limit", "3600000", "--target",
             name.empty() ? target : name, cube},
            {"--shortest", "--time-limit", "10", "--target", target, cube},
            {"--max-moves", "0", "--target", target, target},
        };
        for (const auto& w : words) {
            const Response r = Request::respond(w);
            ASSERT_EQ(r.kind, Response::answer);
            if (&w == words + 1 && r.text == "Error 8") continue;
            EXPECT_EQ(turnedBy(w.back(), r.text), target)
                << ::testing::PrintToString(w) << " -> " << r.text;
            EXPECT_LE(moveCount(r.text), &w == words ? 20 : 24) << r.text;
        }
        EXPECT_EQ(Request::respond(words[2]).text, "");
        // A scramble of a few moves: the search tries everything shorter and ends before its
        // time limit with an answer no longer than the scramble.
        CubieCube scrambled;
        for (int k = 0; k < i % 7; ++k) applyMove(scrambled, static_cast<int>(rng() % 18));
        const std::vector<std::string> w = {"--shortest", "--time-limit", "3600000",
                                            faceletsOf(scrambled)};
        const std::string answer = Request::respond(w).text;
        EXPECT_EQ(turnedBy(w.back(), answer), solvedFacelets) << answer;
        EXPECT_LE(moveCount(answer), i % 7) << answer;
    }
}

TEST(Request, ErrorsOfTheCubeAndOfTheTargetAreToldApart) {
    const std::string scrambled = expectedAnswers()[0].first;
    const std::string flipped = "UUUUURUUURURRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--shortest", flipped}, "Error 3"},
        {{"--target", flipped, scrambled}, "Target error 3"},
        {{"--target", "chessboard", scrambled}, "Target error 1"},
        {{"--target", scrambled, flipped}, "Error 3"},
    };
    for (const auto& [words, line] : cases) {
        EXPECT_EQ(Request::respond(words).text, line) << ::testing::PrintToString(words);
    }
    EXPECT_EQ(Request::streamAnswer("-" + scrambled),
              "Option error: unknown option \"-" + scrambled + "\"");
    EXPECT_EQ(Request::streamAnswer("--version"),
              "Option error: --help and --version are options of the command line "
              "(cubesolver-stream --help)");
}

TEST(Request, ThroughBothProgramsTheSameOptionsGiveTheSameLines) {
    // Each request as arguments of cubesolver and as a line of one cubesolver-stream, where an
    // option error is one line and the next request is answered.
    const std::string cube = expectedAnswers()[5].first;
    const std::vector<std::string> requests[] = {
        {"--max-moves", "20", cube},
        {"--target", "checkerboard", "--time-limit", "2000", solvedFacelets},
        {"--max-moves", "99", cube},
    };
    std::string input, expected;
    for (const auto& words : requests) {
        ProcessResult r = runProgram(CUBESOLVER_EXE, words, fs::temp_directory_path());
        const Response response = Request::respond(words);
        if (response.kind == Response::optionError) {
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find(response.text), std::string::npos) << r.err;
            expected += "Option error: " + response.text + "\n";
        } else {
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.out, response.text + "\n");
            expected += r.out;
        }
        for (const std::string& word : words) input += word + " ";
        input += "\n";
    }
    EXPECT_EQ(runStream(input).out, expected);
    for (const char* program : {CUBESOLVER_EXE, CUBESOLVER_STREAM_EXE}) {
        const ProcessResult help = runProgram(program, {"--help"}, fs::temp_directory_path());
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: ", 0), 0u) << help.out;
        EXPECT_EQ(runProgram(program, {"--version"}, fs::temp_directory_path()).out,
                  fs::path(program).filename().string() + " 1.0\n");
    }
}

}  // namespace
