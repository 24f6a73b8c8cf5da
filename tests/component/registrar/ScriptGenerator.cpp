#include "tests/component/registrar/ScriptGenerator.h"

#include <iterator>

const wchar_t* const ScriptGenerator::kBaselineKeys[3] = {L"Base1", L"Base2", L"CLSID"};

namespace
{

constexpr int kMaxGeneratedDepth = 4;
// No letters that could join into a root name; roots other than HKCU must never appear. Braces inside a token
// are ordinary characters.
constexpr wchar_t kNameCharacters[] = L"abcdefghijxyz0123456789_.-={}";
constexpr wchar_t kTextCharacters[] = L"abcxyz 019{}=.'%\\-";
constexpr wchar_t kEditCharacters[] = L"{}'%=\\ \r\n\t0";

} // namespace

size_t ScriptGenerator::Below(size_t bound)
{
    return std::uniform_int_distribution<size_t>(0, bound - 1)(m_random);
}

bool ScriptGenerator::Chance(unsigned percent)
{
    return Below(100) < percent;
}

std::wstring ScriptGenerator::Whitespace()
{
    static const wchar_t* const kSpaces[] = {L" ", L"\t", L"\r\n", L"\n", L"  \r\n\t\t"};
    return kSpaces[Below(std::size(kSpaces))];
}

std::wstring ScriptGenerator::RandomCase(const std::wstring& word)
{
    std::wstring result = word;
    for (wchar_t& character : result)
    {
        if (Chance(50))
        {
            character = static_cast<wchar_t>(iswupper(character) ? towlower(character) : towupper(character));
        }
    }
    return result;
}

std::wstring ScriptGenerator::FreshName()
{
    std::wstring name = L"g" + std::to_wstring(++m_counter) + L"_";
    const size_t length = Below(12);
    for (size_t index = 0; index < length; ++index)
    {
        name += kNameCharacters[Below(std::size(kNameCharacters) - 1)];
    }
    if (!Chance(30))
    {
        return name;
    }
    // Quoted: may hold blanks, braces, quotes (doubled) and percent signs (doubled).
    std::wstring quoted = L"'" + name;
    for (const wchar_t* extra : {L" ", L"{", L"}", L"''", L"%%"})
    {
        if (Chance(40))
        {
            quoted += extra;
        }
    }
    return quoted + L"'";
}

std::wstring ScriptGenerator::QuotedText(size_t maxLength, bool multiString)
{
    std::wstring text = L"'";
    const size_t length = Chance(3) ? 2000 : Below(maxLength); // "\\0" takes two units
    for (size_t index = 0; index < length; ++index)
    {
        const wchar_t character = kTextCharacters[Below(std::size(kTextCharacters) - 1)];
        if (character == L'\'' || character == L'%')
        {
            text.append(2, character);
        }
        else if (character == L'\\' && multiString)
        {
            text += L"\\0";
        }
        else
        {
            text += character;
        }
    }
    if (Chance(10))
    {
        text += Chance(50) ? L"%Module%" : L"%SUB%";
    }
    return text + L"'";
}

std::wstring ScriptGenerator::Assignment()
{
    std::wstring result = L"=" + Whitespace();
    switch (Below(4))
    {
    case 0:
        // A brace as a value is data, not a block.
        return result + RandomCase(L"s") + Whitespace() +
               (Chance(10) ? std::wstring(Chance(50) ? L"{" : L"}") : QuotedText(40, false));
    case 1:
        return result + RandomCase(L"m") + Whitespace() + QuotedText(40, true);
    case 2:
        return result + RandomCase(L"d") + Whitespace() + std::to_wstring(Below(1u << 31));
    default:
    {
        std::wstring hex = L"'";
        const size_t bytes = Below(20);
        for (size_t index = 0; index < 2 * bytes; ++index)
        {
            hex += L"0123456789abcdefABCDEF"[Below(22)];
        }
        return result + RandomCase(L"b") + Whitespace() + hex + L"'";
    }
    }
}

std::wstring ScriptGenerator::Brace(wchar_t brace)
{
    // Quoting groups characters only: a quoted brace opens or ends a block as a plain one does.
    const std::wstring plain(1, brace);
    return Chance(20) ? L"'" + plain + L"'" : plain;
}

std::wstring ScriptGenerator::Entries(int depth, int count)
{
    std::wstring entries;
    for (int index = 0; index < count; ++index)
    {
        entries += Whitespace();
        const size_t kind = Below(depth == 1 ? 4 : 3);
        if (kind == 0)
        {
            entries += RandomCase(L"val") + Whitespace() + FreshName() + Whitespace() + Assignment();
        }
        else if (kind == 3)
        {
            entries += RandomCase(L"NoRemove") + Whitespace() + RandomCase(kBaselineKeys[Below(3)]) +
                       Whitespace() + Brace(L'{') + Entries(depth + 1, static_cast<int>(Below(3))) +
                       Whitespace() + Brace(L'}');
        }
        else
        {
            entries += FreshName();
            if (Chance(50))
            {
                entries += Whitespace() + Assignment();
            }
            if (depth < kMaxGeneratedDepth && Chance(50))
            {
                entries += Whitespace() + Brace(L'{') + Entries(depth + 1, static_cast<int>(Below(4))) +
                           Whitespace() + Brace(L'}');
            }
        }
    }
    return entries;
}

std::wstring ScriptGenerator::WellFormed(bool classesRoot)
{
    // Roots that substitutions make too (Root is HKCR, E is empty).
    static const wchar_t* const kUserRoots[] = {L"HKCU", L"hkcu", L"HKEY_CURRENT_USER", L"HK%E%CU"};
    static const wchar_t* const kClassesRoots[] = {
        L"HKCR", L"'HKCR'", L"hkcr", L"HKEY_CLASSES_ROOT", L"'HKEY_Classes_Root'", L"%Root%", L"HK%E%CR"};
    std::wstring script;
    const size_t blocks = 1 + Below(2);
    for (size_t block = 0; block < blocks; ++block)
    {
        script += (classesRoot ? kClassesRoots[Below(std::size(kClassesRoots))]
                               : kUserRoots[Below(std::size(kUserRoots))]) +
                  Whitespace() + Brace(L'{') + Entries(1, 1 + static_cast<int>(Below(5))) + Whitespace() +
                  Brace(L'}') + Whitespace();
    }
    return script;
}

std::wstring ScriptGenerator::MutationToken()
{
    static const wchar_t* const kTokens[] = {
        L"{",      L"}",        L"'",       L"''",           L"'''",     L"%",
        L"%%",     L"%Module%", L"%Sub",    L"%NoSuchName%", L"=",       L"s",
        L"m",      L"b",        L"zz",      L"val",          L"VAL",     L"ForceRemove",
        L"Delete", L"NoRemove", L"a\\b",    L"CLSID",        L"Base1",   L"'{'",
        L"a=b",    L"\\0",      L"= s 'x'", L"= b 'abc'",    L"= q 'x'", L"'It''s'",
    };
    switch (Below(10))
    {
    case 0:
        return L"'" + std::wstring(Chance(50) ? 4094 : 4095, L'x') + L"'";
    case 1:
        return std::wstring(Chance(50) ? 20000 : 4095, L'y');
    case 2:
    {
        std::wstring nested;
        const size_t depth = Chance(50) ? Below(40) : 250 + Below(60);
        for (size_t level = 0; level < depth; ++level)
        {
            nested += L"d { ";
        }
        for (size_t level = 0; level < depth; ++level)
        {
            nested += Chance(98) ? L"} " : L"";
        }
        return nested;
    }
    default:
        return kTokens[Below(std::size(kTokens))];
    }
}

std::wstring ScriptGenerator::Mutate(std::wstring script)
{
    const size_t edits = 1 + Below(4);
    for (size_t edit = 0; edit < edits && !script.empty(); ++edit)
    {
        const size_t position = Below(script.size() + 1);
        switch (Below(4))
        {
        case 0:
            script.insert(position, Whitespace() + MutationToken() + Whitespace());
            break;
        case 1:
            script.erase(position, 1 + Below(20));
            break;
        case 2:
        {
            const size_t start = Below(script.size());
            const std::wstring span = script.substr(start, 1 + Below(200));
            script.insert(position, span);
            break;
        }
        default:
            if (position < script.size())
            {
                script[position] = kEditCharacters[Below(std::size(kEditCharacters) - 1)];
            }
            break;
        }
    }
    return script;
}
