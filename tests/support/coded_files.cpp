// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/coded_files.h"

#include "engine/engine.h"
#include "support/script_ui.h"
#include "support/temp_dir.h"

#include <stdexcept>

namespace tarnvold::testing {

std::string vector_file(const std::string& name) { return std::string(TARNVOLD_VECTORS_DIR) + "/" + name; }

std::string make_coded(const std::string& coded, const std::string& plain, const std::string& password) {
    // The original goes elsewhere: the coded file's folder gets nothing but
    // the coded file.
    const TempDir originals;
    write_file(originals.file("plain"), plain);
    ScriptUi ui;
    Engine engine(ui);
    if (engine.codefile(originals.file("plain"), coded, password) != Outcome::Done)
        throw std::runtime_error("cannot code " + coded);
    return coded;
}

}  // namespace tarnvold::testing
