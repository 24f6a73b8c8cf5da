#pragma once

#include <random>
#include <string>

// Random registration scripts for the robustness test, all rooted at HKCU.
class ScriptGenerator
{
  public:
    explicit ScriptGenerator(unsigned seed) : m_random(seed) {}

    // A script that registers and unregisters without error and leaves the key as it was: fresh names
    // only, existing keys (kBaselineKeys) only under NoRemove and without assignment, no ForceRemove or
    // Delete. Quoted values use the substitutions Module and Sub. Its root blocks are HKCU's, or with
    // classesRoot the classes root's, in the spellings the interpreter takes for it.
    std::wstring WellFormed(bool classesRoot = false);
    // The script with a few random edits: tokens, braces, quotes, percent signs, long tokens, deep nesting.
    std::wstring Mutate(std::wstring script);

    static const wchar_t* const kBaselineKeys[3];

  private:
    size_t Below(size_t bound);
    bool Chance(unsigned percent);
    std::wstring Whitespace();
    std::wstring RandomCase(const std::wstring& word);
    std::wstring FreshName();
    std::wstring QuotedText(size_t maxLength, bool multiString);
    std::wstring Assignment();
    std::wstring Brace(wchar_t brace);
    std::wstring Entries(int depth, int count);
    std::wstring MutationToken();

    std::mt19937 m_random;
    unsigned m_counter = 0;
};
