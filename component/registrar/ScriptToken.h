#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

// Tokens are limited as if read into a buffer of kTokenBufferSize units that keeps one unit for the
// terminating zero and one more free: a token holds at most kMaxTokenLength units.
constexpr size_t kTokenBufferSize = 4096;
constexpr size_t kMaxTokenLength = kTokenBufferSize - 2;

constexpr wchar_t kScriptQuote = L'\'';

// What separates tokens.
constexpr bool IsScriptWhitespace(wchar_t character)
{
    return character == L' ' || character == L'\t' || character == L'\r' || character == L'\n';
}

// A zero-terminated token in a heap buffer, so that every nesting level costs little stack.
class ScriptToken
{
  public:
    // Allocates a buffer that holds at most maxLength units; E_OUTOFMEMORY when that fails.
    HRESULT Allocate(size_t maxLength = kMaxTokenLength);

    void Clear();
    // False (and the token unchanged) when the token is full.
    bool Append(wchar_t character);
    // False (and the token emptied) when source is longer than this buffer holds.
    bool Assign(const ScriptToken& source);

    const wchar_t* Text() const { return m_text.get(); }
    size_t Length() const { return m_length; }
    wchar_t First() const { return m_text[0]; }
    bool Contains(wchar_t character) const;
    // A nested block opens only with the one-character token "{".
    bool IsBlockOpening() const { return m_length == 1 && m_text[0] == L'{'; }

  private:
    std::unique_ptr<wchar_t[]> m_text;
    size_t m_length = 0;
    size_t m_maxLength = 0;
};
