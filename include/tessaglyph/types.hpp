// Scalar types of the public interface and the array type that carries its own lower bound.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace tg {

using Integer = std::int16_t;  // 16-bit signed
using Long = std::int32_t;     // 32-bit signed
using Byte = std::uint8_t;     // 8-bit unsigned
using Single = float;          // IEEE binary32
using Double = double;         // IEEE binary64
using Boolean = bool;          // true is -1 where a number is stored
using Date = std::chrono::system_clock::time_point;

// An array indexed from its own lower bound, as arrays crossing the interface are: a delimiter
// list indexed 1..n, or the single element 0 of a list that has none. An empty array has
// ubound() == lbound() - 1.
template <typename T>
class Array {
 public:
  Array() = default;
  Array(Long lowerBound, std::vector<T> items) : m_lbound(lowerBound), m_items(std::move(items)) {}
  Array(Long lowerBound, std::initializer_list<T> items) : m_lbound(lowerBound), m_items(items) {}

  // An array of `count` default values starting at `lowerBound`.
  static Array withBounds(Long lowerBound, Long upperBound) {
    Array result;
    result.m_lbound = lowerBound;
    if (upperBound >= lowerBound) result.m_items.resize(std::size_t(upperBound - lowerBound) + 1);
    return result;
  }

  Long lbound() const { return m_lbound; }
  Long ubound() const { return m_lbound + Long(m_items.size()) - 1; }
  std::size_t size() const { return m_items.size(); }
  bool empty() const { return m_items.empty(); }
  bool contains(Long index) const { return index >= m_lbound && index <= ubound(); }

  // Unchecked access by the array's own index; use contains() or at() at boundaries.
  T& operator[](Long index) { return m_items[std::size_t(index - m_lbound)]; }
  const T& operator[](Long index) const { return m_items[std::size_t(index - m_lbound)]; }
  // Checked access: error 9 "Subscript out of range" outside the bounds.
  T& at(Long index);
  const T& at(Long index) const;

  auto begin() { return m_items.begin(); }
  auto end() { return m_items.end(); }
  auto begin() const { return m_items.begin(); }
  auto end() const { return m_items.end(); }

  const std::vector<T>& items() const { return m_items; }
  void push_back(T value) { m_items.push_back(std::move(value)); }

  friend bool operator==(const Array&, const Array&) = default;

 private:
  Long m_lbound = 0;
  std::vector<T> m_items;
};

[[noreturn]] void raiseSubscriptOutOfRange();

template <typename T>
T& Array<T>::at(Long index) {
  if (!contains(index)) raiseSubscriptOutOfRange();
  return (*this)[index];
}

template <typename T>
const T& Array<T>::at(Long index) const {
  if (!contains(index)) raiseSubscriptOutOfRange();
  return (*this)[index];
}

}  // namespace tg
