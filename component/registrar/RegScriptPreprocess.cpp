#include "component/registrar/RegScriptParser.h"

#include "component/registrar/PerUserRegistration.h"
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
// Every spelling of the root that the interpreter takes for HKEY_CLASSES_ROOT is redirected, quoted or not
// and in any letter case, so that a per-user registration never writes for the whole machine.
constexpr size_t kLongestRootName = 32;
constexpr wchar_t kPerUserClassesOpening[] = L"HKCU\r\n{\tSoftware\r\n\t{\r\n\t\tClasses";
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

    size_t Length() const { return m_length; }
    wchar_t Last() const { return m_length == 0 ? L'\0' : m_buffer[m_length - 1]; }

    std::unique_ptr<wchar_t[]> Detach() { return std::move(m_buffer); }

  private:
    std::unique_ptr<wchar_t[]> m_buffer;
    size_t m_capacity = 0;
    size_t m_length = 0;
};

// Tracks quotes and braces so that each HKCR root block is wrapped into the per-user classes key. Quotes
// are followed as the tokenizer reads the text that is being built: a ' opens a quoted token only where a
// token begins, so the ' of Bob's is an ordinary character.
class PerUserRedirection
{
  public:
    // Called at each position before it is copied. rootReplaced: the root name was consumed and the
    // character after it must be processed afresh.
    HRESULT Apply(const wchar_t*& position, ScriptTextBuilder& output, bool& rootReplaced)
    {
        rootReplaced = false;
        if (m_inQuote)
        {
            if (*position != kScriptQuote)
            {
                return S_OK;
            }
            if (position[1] != kScriptQuote)
            {
                m_inQuote = false;
                m_quoteClosedAt = output.Length() + 1; // the copy step appends the closing quote
                return S_OK;
            }
            // A doubled quote stays inside the token: emit the first, the copy step emits the second.
            ++position;
            return output.Append(&kScriptQuote, 1);
        }
        const bool tokenStart =
            output.Length() == 0 || IsScriptWhitespace(output.Last()) || output.Length() == m_quoteClosedAt;
        if (tokenStart && m_level == 0)
        {
            const size_t rootLength = ClassesRootTokenLength(position);
            if (rootLength != 0)
            {
                PROPAGATE_IF_FAILED(output.Append(kPerUserClassesOpening));
                position += rootLength;
                // A quoted root may touch the next token; the key name Classes must not run into it.
                if (*position != L'\0' && !IsScriptWhitespace(*position))
                {
                    PROPAGATE_IF_FAILED(output.Append(L" ", 1));
                }
                m_redirected = true;
                rootReplaced = true;
                return S_OK;
            }
        }
        if (tokenStart && *position == kScriptQuote)
        {
            m_inQuote = true;
        }
        else if (*position == L'{')
        {
            ++m_level;
        }
        else if (*position == L'}')
        {
            --m_level;
            if (m_level == 0 && m_redirected)
            {
                PROPAGATE_IF_FAILED(output.Append(kPerUserClassesClosing));
                m_redirected = false;
            }
        }
        return S_OK;
    }

  private:
    // The length in the script of the token that starts here when the interpreter reads it as the classes
    // root, else 0. Tokens are read as the tokenizer reads them: HKCRX or HKCR{ is no root name.
    static size_t ClassesRootTokenLength(const wchar_t* position)
    {
        wchar_t name[kLongestRootName + 1];
        size_t nameLength = 0;
        const wchar_t* end = position;
        if (*end == kScriptQuote)
        {
            for (++end; *end != L'\0' && !(*end == kScriptQuote && end[1] != kScriptQuote); ++end)
            {
                end += *end == kScriptQuote; // a doubled quote stands for one
                if (nameLength == kLongestRootName)
                {
                    return 0;
                }
                name[nameLength++] = *end;
            }
            if (*end == L'\0')
            {
                return 0;
            }
            ++end;
        }
        else
        {
            for (; *end != L'\0' && !IsScriptWhitespace(*end); ++end)
            {
                if (nameLength == kLongestRootName)
                {
                    return 0;
                }
                name[nameLength++] = *end;
            }
        }
        name[nameLength] = L'\0';
        return LookupRootKey(name) == HKEY_CLASSES_ROOT ? static_cast<size_t>(end - position) : 0;
    }

    long m_level = 0;
    bool m_inQuote = false;
    size_t m_quoteClosedAt = 0; // output length just after the last closing quote
    bool m_redirected = false;
};

} // namespace

HRESULT CRegScriptParser::PreprocessScript(const wchar_t* script, std::unique_ptr<wchar_t[]>& result) const
{
    const size_t doubledLength = 2 * wcslen(script);
    ScriptTextBuilder output;
    PROPAGATE_IF_FAILED(
        output.Reserve(doubledLength < kSmallScriptThreshold ? kSmallScriptCapacity : doubledLength));

    const bool perUser = IsPerUserRegistrationEnabled();
    PerUserRedirection redirection;
    const wchar_t* position = script;
    while (*position != L'\0')
    {
        if (perUser)
        {
            bool rootReplaced = false;
            PROPAGATE_IF_FAILED(redirection.Apply(position, output, rootReplaced));
            if (rootReplaced)
            {
                continue;
            }
        }
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
