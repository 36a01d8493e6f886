// libFuzzer harness for the request path: arbitrary bytes as the command-line argument, through
// the colour mapping, the colour count, the facelet and cubie cubes and both checks, the
// conversions back and the explanation of a rejected cube, and as a stream line through the
// option parser. It traps on any result a real request could not give.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "cube/CubieCube.h"
#include "cube/FaceCube.h"
#include "cube/Tools.h"
#include "requests/RequestOptions.h"
#include "requests/ScanExplanation.h"

namespace {

bool knownCode(int code) {
    return code == 0 || code == -9 || (code <= -1 && code >= -6);
}

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CubieCube::initAllStaticVariables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An argument ends at its first NUL byte.
    std::string argument(reinterpret_cast<const char*>(data), size);
    argument = argument.substr(0, argument.find('\0'));
    const std::string request = FaceCube::mapColorLetters(argument);

    const int code = Tools::verify(request);
    check(knownCode(code));
    check((code == -1) == !FaceCube::hasNineOfEachColor(request));

    // The conversions accept any string, whatever its colours.
    FaceCube faces(request);
    std::unique_ptr<CubieCube> cube = faces.toCubieCube();
    const int pieces = cube->verify();
    check(pieces <= 0 && pieces >= -6 && pieces != -1);
    if (code == 0) {
        // A cube that passes every check shows exactly the stickers it was read from.
        check(pieces == 0);
        check(cube->toFaceCube()->to_String() == request.substr(0, 54));
        std::unique_ptr<CubieCube> again;
        check(Tools::readCube(request, again) == 0 && again != nullptr);
    }
    // The same bytes as a stream line: options in their ranges, or one line saying what is wrong.
    const ParsedRequest parsed = parseRequest(splitWords(argument), ReadingsIn::words);
    if (parsed.error.empty() && parsed.hasOptions) {
        const RequestOptions& o = parsed.options;
        check(o.maxMoves >= 0 && o.maxMoves <= 30);
        check(o.timeLimitMillis >= 1 && o.timeLimitMillis <= 3600000);
        check(o.threads >= 0 && o.threads <= 64);
        check(o.help || o.version || o.hasReadings || !parsed.cube.empty());
    }
    check(parsed.error.find_first_of("\r\n") == std::string::npos);
    // The explanation agrees with the check, and every repair it names is a cube.
    const ScanExplanation explanation = ScanExplanation::of(argument);
    check(explanation.code == code && explanation.lines.empty() == (code == 0));
    for (const ScanRepair& repair : explanation.repairs) check(Tools::verify(repair.cube) == 0);
    const std::string block = explanationBlock(argument, true, true, true);
    check(block.size() >= 4 && block.compare(block.size() - 4, 4, "#end") == 0);
    return 0;
}
