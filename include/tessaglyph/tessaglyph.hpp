// Everything a host program needs from Tessaglyph, in one include.
#pragma once

#include "tessaglyph/compiler.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/machine_types.hpp"
#include "tessaglyph/method_counter.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "tessaglyph/types.hpp"
#include "tessaglyph/user_interface.hpp"
#include "tessaglyph/vocabulary.hpp"
#include "tessaglyph/xyz_point.hpp"
