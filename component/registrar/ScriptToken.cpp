#include "component/registrar/ScriptToken.h"

#include "platform/HResult.h"

#include <cwchar>
#include <new>

HRESULT ScriptToken::Allocate(size_t maxLength)
{
    m_text.reset(new (std::nothrow) wchar_t[maxLength + 1]);
    RETURN_IF_NULL_ALLOC(m_text);
    m_maxLength = maxLength;
    Clear();
    return S_OK;
}

void ScriptToken::Clear()
{
    m_length = 0;
    m_text[0] = L'\0';
}

bool ScriptToken::Append(wchar_t character)
{
    if (m_length == m_maxLength)
    {
        return false;
    }
    m_text[m_length++] = character;
    m_text[m_length] = L'\0';
    return true;
}

bool ScriptToken::Assign(const ScriptToken& source)
{
    Clear();
    if (source.m_length > m_maxLength)
    {
        return false;
    }
    wmemcpy(m_text.get(), source.m_text.get(), source.m_length + 1);
    m_length = source.m_length;
    return true;
}

bool ScriptToken::Contains(wchar_t character) const
{
    return wcschr(m_text.get(), character) != nullptr;
}
