#include "component/registrar/RegScriptParser.h"

#include "component/registrar/RegKeyTree.h"
#include "component/registrar/RegistrationJournal.h"
#include "component/registrar/ScriptTables.h"
#include "component/registrar/ScriptToken.h"
#include "platform/HResult.h"

#include <oleauto.h>

#include <cwchar>
#include <new>

namespace
{

HRESULT SetValue(RegistrationJournal& journal, const ScriptKey& key, const wchar_t* valueName, DWORD type,
                 const void* data, size_t byteCount)
{
    RETURN_IF_WIN32_ERROR(journal.SetValue(key, valueName, type, static_cast<const BYTE*>(data),
                                           static_cast<DWORD>(byteCount)));
    return S_OK;
}

BYTE HexDigitValue(wchar_t digit)
{
    if (digit >= L'0' && digit <= L'9')
    {
        return static_cast<BYTE>(digit - L'0');
    }
    if (digit >= L'A' && digit <= L'F')
    {
        return static_cast<BYTE>(digit - L'A' + 10);
    }
    if (digit >= L'a' && digit <= L'f')
    {
        return static_cast<BYTE>(digit - L'a' + 10);
    }
    return 0;
}

HRESULT SetBinaryValue(RegistrationJournal& journal, const ScriptKey& key, const wchar_t* valueName,
                       const ScriptToken& text)
{
    RETURN_HR_IF(E_FAIL, text.Length() % 2 != 0);
    const size_t byteCount = text.Length() / 2;
    std::unique_ptr<BYTE[]> bytes(new (std::nothrow) BYTE[byteCount + 1]);
    RETURN_HR_IF(E_FAIL, !bytes);
    const wchar_t* digits = text.Text();
    for (size_t index = 0; index < byteCount; ++index)
    {
        bytes[index] =
            static_cast<BYTE>(HexDigitValue(digits[2 * index]) << 4 | HexDigitValue(digits[2 * index + 1]));
    }
    return SetValue(journal, key, valueName, REG_BINARY, bytes.get(), byteCount);
}

// "\0" separates the strings; the value ends with the first empty string.
HRESULT SetMultiStringValue(RegistrationJournal& journal, const ScriptKey& key, const wchar_t* valueName,
                            const ScriptToken& text)
{
    std::unique_ptr<wchar_t[]> strings(new (std::nothrow) wchar_t[text.Length() + 2]);
    RETURN_IF_NULL_ALLOC(strings);
    size_t length = 0;
    for (const wchar_t* source = text.Text(); *source != L'\0'; ++source)
    {
        if (source[0] == L'\\' && source[1] == L'0')
        {
            strings[length++] = L'\0';
            ++source;
        }
        else
        {
            strings[length++] = *source;
        }
    }
    strings[length++] = L'\0';
    strings[length] = L'\0';

    size_t stored = 0;
    while (strings[stored] != L'\0')
    {
        stored += wcslen(strings.get() + stored) + 1;
    }
    return SetValue(journal, key, valueName, REG_MULTI_SZ, strings.get(), (stored + 1) * sizeof(wchar_t));
}

HRESULT SetNumberValue(RegistrationJournal& journal, const ScriptKey& key, const wchar_t* valueName,
                       const ScriptToken& text)
{
    ULONG number = 0;
    // The header declares the text non-const; the conversion only reads it.
    if (FAILED(VarUI4FromStr(const_cast<wchar_t*>(text.Text()), 0, 0, &number)))
    {
        number = 0; // text that is no number stores 0; the run goes on
    }
    const DWORD data = number;
    return SetValue(journal, key, valueName, REG_DWORD, &data, sizeof(data));
}

} // namespace

HRESULT CRegScriptParser::SetValueFromScript(const ScriptKey& key, const wchar_t* valueName,
                                             ScriptToken& token)
{
    PROPAGATE_IF_FAILED(NextToken(token));
    DWORD type = REG_NONE;
    RETURN_HR_IF(DISP_E_EXCEPTION, !LookupValueType(token.Text(), type));
    PROPAGATE_IF_FAILED(NextToken(token));
    switch (type)
    {
    case REG_SZ:
        PROPAGATE_IF_FAILED(SetValue(*m_journal, key, valueName, REG_SZ, token.Text(),
                                     (token.Length() + 1) * sizeof(wchar_t)));
        break;
    case REG_MULTI_SZ:
        PROPAGATE_IF_FAILED(SetMultiStringValue(*m_journal, key, valueName, token));
        break;
    case REG_DWORD:
        PROPAGATE_IF_FAILED(SetNumberValue(*m_journal, key, valueName, token));
        break;
    default:
        PROPAGATE_IF_FAILED(SetBinaryValue(*m_journal, key, valueName, token));
        break;
    }
    return NextToken(token);
}
