// What the value cells cost the interpreter: arithmetic through new cells and in place, a
// comparison, and the conversions between numbers and text, each beside a plain C++ baseline
// doing the same work (the same overflow checks, the same conversion routines) in the same run.
//
// Each loop alternates between two right operands so that the values stay bounded; the
// baselines do the same.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "machine/datum.hpp"
#include "support/conversions.hpp"

namespace {

using tg::DatumRef;

// ---- 32-bit add ---------------------------------------------------------------------------

void BM_Int32Add_Baseline(benchmark::State& state) {
  std::int32_t x = 0;
  std::int32_t right[2] = {1, -1};
  benchmark::DoNotOptimize(right);
  unsigned i = 0;
  for (auto _ : state) {
    const long long sum = (long long)x + right[i++ & 1];
    if (sum > std::numeric_limits<std::int32_t>::max() ||
        sum < std::numeric_limits<std::int32_t>::min()) {
      throw std::overflow_error("overflow");
    }
    x = std::int32_t(sum);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_Int32Add_Baseline);

void BM_Int32Add_NewCells(benchmark::State& state) {
  DatumRef reg = tg::makeInteger4(0);
  const DatumRef right[2] = {tg::makeInteger4(1), tg::makeInteger4(-1)};
  unsigned i = 0;
  for (auto _ : state) {
    reg = reg->add(*right[i++ & 1]);
    benchmark::DoNotOptimize(reg.get());
  }
  if (reg->getLong() > 1) state.SkipWithError("wrong sum");
}
BENCHMARK(BM_Int32Add_NewCells);

void BM_Int32Add_InPlace(benchmark::State& state) {
  DatumRef reg = tg::makeInteger4(0);
  const DatumRef right[2] = {tg::makeInteger4(1), tg::makeInteger4(-1)};
  unsigned i = 0;
  for (auto _ : state) {
    reg->addInPlace(*right[i++ & 1]);
    benchmark::DoNotOptimize(reg.get());
  }
  if (reg->getLong() > 1) state.SkipWithError("wrong sum");
}
BENCHMARK(BM_Int32Add_InPlace);

// What the ADD instruction does: in place when the register's cell is not shared, else a new
// cell.
void BM_Int32Add_InterpreterForm(benchmark::State& state) {
  DatumRef reg = tg::makeInteger4(0);
  const DatumRef right[2] = {tg::makeInteger4(1), tg::makeInteger4(-1)};
  unsigned i = 0;
  for (auto _ : state) {
    const tg::TessaglyphDatum& operand = *right[i++ & 1];
    if (reg.unique()) {
      reg->addInPlace(operand);
    } else {
      reg = reg->add(operand);
    }
    benchmark::DoNotOptimize(reg.get());
  }
}
BENCHMARK(BM_Int32Add_InterpreterForm);

// ---- Double multiply ----------------------------------------------------------------------

constexpr double kFactor = 1.0000001;

void BM_DoubleMultiply_Baseline(benchmark::State& state) {
  double x = 1.0;
  double right[2] = {kFactor, 1.0 / kFactor};
  benchmark::DoNotOptimize(right);
  unsigned i = 0;
  for (auto _ : state) {
    const double product = x * right[i++ & 1];
    if (!std::isfinite(product)) throw std::overflow_error("overflow");
    x = product;
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_DoubleMultiply_Baseline);

void BM_DoubleMultiply_NewCells(benchmark::State& state) {
  DatumRef reg = tg::makeDouble(1.0);
  const DatumRef right[2] = {tg::makeDouble(kFactor), tg::makeDouble(1.0 / kFactor)};
  unsigned i = 0;
  for (auto _ : state) {
    reg = reg->multiply(*right[i++ & 1]);
    benchmark::DoNotOptimize(reg.get());
  }
}
BENCHMARK(BM_DoubleMultiply_NewCells);

void BM_DoubleMultiply_InPlace(benchmark::State& state) {
  DatumRef reg = tg::makeDouble(1.0);
  const DatumRef right[2] = {tg::makeDouble(kFactor), tg::makeDouble(1.0 / kFactor)};
  unsigned i = 0;
  for (auto _ : state) {
    reg->multiplyInPlace(*right[i++ & 1]);
    benchmark::DoNotOptimize(reg.get());
  }
}
BENCHMARK(BM_DoubleMultiply_InPlace);

// ---- 16-bit compare -----------------------------------------------------------------------

void BM_Int16Compare_Baseline(benchmark::State& state) {
  std::int16_t left = 100;
  std::int16_t right[2] = {50, 150};
  benchmark::DoNotOptimize(left);
  benchmark::DoNotOptimize(right);
  unsigned i = 0;
  for (auto _ : state) {
    const std::uint8_t result = left < std::int32_t(right[i++ & 1]) ? 1 : 0;
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_Int16Compare_Baseline);

// LESSTHAN: the register replaced by a new unsigned cell.
void BM_Int16Compare_NewCells(benchmark::State& state) {
  const DatumRef left = tg::makeInteger2(100);
  const DatumRef right[2] = {tg::makeInteger2(50), tg::makeInteger2(150)};
  DatumRef reg;
  unsigned i = 0;
  for (auto _ : state) {
    reg = left->lessThan(*right[i++ & 1]);
    benchmark::DoNotOptimize(reg.get());
  }
}
BENCHMARK(BM_Int16Compare_NewCells);

// The same when the register is unshared: the cell turns into the Boolean result.
void BM_Int16Compare_InPlace(benchmark::State& state) {
  const DatumRef reg = tg::makeInteger2(100);
  const DatumRef right[2] = {tg::makeInteger2(50), tg::makeInteger2(150)};
  unsigned i = 0;
  for (auto _ : state) {
    reg->becomeInteger2(100);
    reg->compareInPlace(tg::DatumComparison::lessThan, *right[i++ & 1]);
    benchmark::DoNotOptimize(reg.get());
  }
}
BENCHMARK(BM_Int16Compare_InPlace);

// ---- Text to number -----------------------------------------------------------------------

const char* const kNumberText = "12345.625";

void BM_TextToNumber_Baseline(benchmark::State& state) {
  const std::string text = kNumberText;
  for (auto _ : state) {
    const double value = tg::textToDouble(text);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_TextToNumber_Baseline);

void BM_TextToNumber_Strtod(benchmark::State& state) {
  const std::string text = kNumberText;
  for (auto _ : state) {
    const double value = std::strtod(text.c_str(), nullptr);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_TextToNumber_Strtod);

// A text cell read as a double (a branch on a text register, a text operand of arithmetic).
void BM_TextToNumber_GetDouble(benchmark::State& state) {
  const DatumRef text = tg::makeAscii(kNumberText);
  for (auto _ : state) {
    const double value = text->getDouble();
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_TextToNumber_GetDouble);

// STORE of a text register into a double variable.
void BM_TextToNumber_SetValue(benchmark::State& state) {
  const DatumRef text = tg::makeAscii(kNumberText);
  const DatumRef number = tg::makeDouble();
  for (auto _ : state) {
    number->setValue(*text);
    benchmark::DoNotOptimize(number.get());
  }
}
BENCHMARK(BM_TextToNumber_SetValue);

// ---- Number to text -----------------------------------------------------------------------

void BM_NumberToText_Baseline(benchmark::State& state) {
  double value = 12345.625;
  benchmark::DoNotOptimize(value);
  std::string text;
  for (auto _ : state) {
    text = tg::doubleToText(value);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_NumberToText_Baseline);

void BM_NumberToText_GetString(benchmark::State& state) {
  const DatumRef number = tg::makeDouble(12345.625);
  std::string text;
  for (auto _ : state) {
    text = number->getString();
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_NumberToText_GetString);

// STORE of a double register into a text variable.
void BM_NumberToText_SetValue(benchmark::State& state) {
  const DatumRef number = tg::makeDouble(12345.625);
  const DatumRef text = tg::makeAscii();
  for (auto _ : state) {
    text->setValue(*number);
    benchmark::DoNotOptimize(text.get());
  }
}
BENCHMARK(BM_NumberToText_SetValue);

void BM_IntegerToText_Baseline(benchmark::State& state) {
  std::int32_t value = 123456;
  benchmark::DoNotOptimize(value);
  std::string text;
  for (auto _ : state) {
    text = std::to_string(value);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_IntegerToText_Baseline);

void BM_IntegerToText_SetValue(benchmark::State& state) {
  const DatumRef number = tg::makeInteger4(123456);
  const DatumRef text = tg::makeAscii();
  for (auto _ : state) {
    text->setValue(*number);
    benchmark::DoNotOptimize(text.get());
  }
}
BENCHMARK(BM_IntegerToText_SetValue);

}  // namespace
