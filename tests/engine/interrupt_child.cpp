// A child for the interruption tests: codes SOURCE to DESTINATION and stops
// at its first write, after saying "paused" on standard output, until its
// standard input ends.  With "named" it acts as on a file system without
// unnamed temporary files.
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

#include "engine.h"
#include "file_io.h"
#include "script_ui.h"

namespace {

struct Seam {
    bool named = false;
    bool paused = false;
};

int hook(tarnvold::IoOp op, const std::string&, void* context) {
    auto* seam = static_cast<Seam*>(context);
    if (op == tarnvold::IoOp::TmpFile && seam->named) return EOPNOTSUPP;
    if (op == tarnvold::IoOp::Write && !seam->paused) {
        seam->paused = true;
        if (::write(1, "paused\n", 7) != 7) return EIO;
        char c;
        while (::read(0, &c, 1) > 0) {
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    tarnvold::install_interrupt_cleanup();
    Seam seam;
    seam.named = argc > 3 && std::strcmp(argv[3], "named") == 0;
    tarnvold::set_io_fault_hook(&hook, &seam);
    tarnvold::testing::ScriptUi ui;
    tarnvold::Engine engine(ui);
    return engine.codefile(argv[1], argv[2], "pw") == tarnvold::Outcome::Done ? 0 : 1;
}
