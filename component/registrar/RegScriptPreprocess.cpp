#include "component/registrar/RegScriptParser.h"

#include "component/registrar/RegKeyTree.h"
#include "component/registrar/RegObject.h"
#include "component/registrar/ScriptTables.h"
#include "component/registrar/ScriptToken.h"
#include "platform/HResult.h"

#include <cwchar>
#include <new>

namespace
{

constexpr size_t kSmallScriptThreshold = 100;
constexpr size_t kSmallScriptCapacity = 1000;
constexpr size_t kMaxSubstitutionNameLength = 31;

// A root block HKCR { entries } becomes HKCU { Software { Classes { entries } } } for per-user registration.
constexpr wchar_t kPerUserClassesOpening[] = L"HKCU\r\n{\tSoftware\r\n\t{\r\n\t\tClasses\r\n\t\t{";
constexpr wchar_t kPerUserClassesClosing[] = L"\r\n\t}\r\n}\r\n";

// Output text that doubles its buffer whenever it is full; always zero-terminated.
class ScriptTextBuilder
{
  public:
    HRESULT Reserve(size_t capacity)
    {
        m_buffer.reset(new (std::nothrow) wchar_t[capacity]);
        RETURN_IF_NULL_ALLOC(m_buffer);
        m_capacity = capacity;
        m_length = 0;
        m_buffer[0] = L'\0';
        return S_OK;
    }

    HRESULT Append(const wchar_t* text, size_t length)
    {
        if (m_length + length >= m_capacity)
        {
            size_t capacity = m_capacity;
            while (m_length + length >= capacity)
            {
                capacity *= 2;
            }
            std::unique_ptr<wchar_t[]> grown(new (std::nothrow) wchar_t[capacity]);
            RETURN_IF_NULL_ALLOC(grown);
            wmemcpy(grown.get(), m_buffer.get(), m_length + 1);
            m_buffer = std::move(grown);
            m_capacity = capacity;
        }
        wmemcpy(m_buffer.get() + m_length, text, length);
        m_length += length;
        m_buffer[m_length] = L'\0';
        return S_OK;
    }

    HRESULT Append(const wchar_t* text) { return Append(text, wcslen(text)); }

    std::unique_ptr<wchar_t[]> Detach() { return std::move(m_buffer); }

  private:
    std::unique_ptr<wchar_t[]> m_buffer;
    size_t m_capacity = 0;
    size_t m_length = 0;
};

// Room for twice the script's length, and for 1000 characters at least.
HRESULT ReserveFor(ScriptTextBuilder& output, const wchar_t* script)
{
    const size_t doubledLength = 2 * wcslen(script);
    return output.Reserve(doubledLength < kSmallScriptThreshold ? kSmallScriptCapacity : doubledLength);
}

} // namespace

HRESULT CRegScriptParser::PreprocessScript(const wchar_t* script, std::unique_ptr<wchar_t[]>& result)
{
    PROPAGATE_IF_FAILED(SubstituteScript(script, result));
    if (!m_perUser)
    {
        return S_OK;
    }
    std::unique_ptr<wchar_t[]> substituted = std::move(result);
    return RedirectClassesRoots(substituted.get(), result);
}

HRESULT CRegScriptParser::SubstituteScript(const wchar_t* script, std::unique_ptr<wchar_t[]>& result) const
{
    ScriptTextBuilder output;
    PROPAGATE_IF_FAILED(ReserveFor(output, script));
    const wchar_t* position = script;
    while (*position != L'\0')
    {
        if (*position == L'%')
        {
            if (position[1] == L'%')
            {
                PROPAGATE_IF_FAILED(output.Append(L"%", 1));
                position += 2;
                continue;
            }
            const wchar_t* nameStart = position + 1;
            const wchar_t* nameEnd = wcschr(nameStart, L'%');
            RETURN_HR_IF(DISP_E_EXCEPTION, nameEnd == nullptr);
            const size_t nameLength = static_cast<size_t>(nameEnd - nameStart);
            RETURN_HR_IF(E_FAIL, nameLength > kMaxSubstitutionNameLength);
            wchar_t name[kMaxSubstitutionNameLength + 1];
            wmemcpy(name, nameStart, nameLength);
            name[nameLength] = L'\0';
            const wchar_t* value = m_registrar.FindSubstitution(name);
            RETURN_HR_IF(DISP_E_EXCEPTION, value == nullptr);
            PROPAGATE_IF_FAILED(output.Append(value));
            position = nameEnd + 1;
            continue;
        }
        const wchar_t* next = CharNextW(position);
        PROPAGATE_IF_FAILED(output.Append(position, static_cast<size_t>(next - position)));
        position = next;
    }
    result = output.Detach();
    return S_OK;
}

// Finds the root blocks by reading the substituted text as the run will, with the run's own tokens and
// blocks, in recovery, which touches no registry: every block whose root names the classes root, in any
// spelling and also where a substitution produced it, is moved below HKCU\Software\Classes. A text that this
// reading refuses is refused before the run writes anything (its failure is reported once, here). Where the
// reading merely stops (a block without its opening brace), the rest stays as it is and the run fails there;
// should redirection miss a classes root all the same, the root check of each block refuses it.
HRESULT CRegScriptParser::RedirectClassesRoots(const wchar_t* script, std::unique_ptr<wchar_t[]>& result)
{
    ScriptToken token;
    PROPAGATE_IF_FAILED(token.Allocate());
    ScriptTextBuilder output;
    PROPAGATE_IF_FAILED(ReserveFor(output, script));
    const wchar_t* copied = script; // the text before it is in the output
    for (m_cursor = script, SkipWhitespace(); *m_cursor != L'\0'; SkipWhitespace())
    {
        PROPAGATE_IF_FAILED(NextToken(token));
        const wchar_t* rootStart = m_tokenStart;
        const bool classesRoot = LookupRootKey(token.Text()) == HKEY_CLASSES_ROOT;
        PROPAGATE_IF_FAILED(NextToken(token));
        if (token.First() != L'{')
        {
            break;
        }
        const wchar_t* entriesStart = m_cursor;
        PROPAGATE_IF_FAILED(ProcessKeyList({nullptr, nullptr, nullptr}, false, true, 1));
        if (classesRoot)
        {
            // The block's own opening, whatever follows its brace, becomes the plain "{" of Classes.
            PROPAGATE_IF_FAILED(output.Append(copied, static_cast<size_t>(rootStart - copied)));
            PROPAGATE_IF_FAILED(output.Append(kPerUserClassesOpening));
            PROPAGATE_IF_FAILED(
                output.Append(entriesStart, static_cast<size_t>(m_tokenStart - entriesStart)));
            PROPAGATE_IF_FAILED(output.Append(kPerUserClassesClosing));
            copied = m_tokenStart;
        }
    }
    m_cursor = nullptr;
    PROPAGATE_IF_FAILED(output.Append(copied));
    result = output.Detach();
    return S_OK;
}
