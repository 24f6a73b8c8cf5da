#include "component/registrar/RegistrationJournal.h"

#include "component/registrar/RegScriptParser.h"
#include "component/registrar/StringCopy.h"
#include "platform/UniqueHandle.h"

#include <new>

struct RegistrationJournal::Entry
{
    bool isKey;                      // a created key; otherwise an added value
    platform::UniqueRegKey key;      // the created key's parent, or the added value's key
    std::unique_ptr<wchar_t[]> name; // of the key or the value; empty for a default value
    Entry* next = nullptr;
};

RegistrationJournal::~RegistrationJournal()
{
    while (PopNewest())
    {
    }
}

LSTATUS RegistrationJournal::CreateKey(HKEY parent, const wchar_t* name, REGSAM access, HKEY* key)
{
    std::unique_ptr<Entry> entry;
    LSTATUS error = PrepareEntry(true, parent, KEY_READ, name, entry);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    DWORD disposition = 0;
    error = RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key,
                            &disposition);
    if (error == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY)
    {
        Push(std::move(entry));
    }
    return error;
}

LSTATUS RegistrationJournal::SetValue(HKEY key, const wchar_t* valueName, DWORD type, const BYTE* data,
                                      DWORD size)
{
    std::unique_ptr<Entry> entry;
    if (RegQueryValueExW(key, valueName, nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND)
    {
        const LSTATUS error = PrepareEntry(false, key, KEY_SET_VALUE, valueName, entry);
        if (error != ERROR_SUCCESS)
        {
            return error;
        }
    }
    const LSTATUS error = RegSetValueExW(key, valueName, 0, type, data, size);
    if (error == ERROR_SUCCESS && entry)
    {
        Push(std::move(entry));
    }
    return error;
}

void RegistrationJournal::UndoTo(Mark mark)
{
    while (m_newest != mark && m_newest != nullptr)
    {
        const std::unique_ptr<Entry> entry = PopNewest();
        if (entry->isKey)
        {
            CRegScriptParser::DeleteOneKey(entry->key.Get(), entry->name.get());
        }
        else
        {
            RegDeleteValueW(entry->key.Get(), entry->name.get());
        }
    }
}

LSTATUS RegistrationJournal::PrepareEntry(bool isKey, HKEY key, REGSAM access, const wchar_t* name,
                                          std::unique_ptr<Entry>& entry)
{
    entry.reset(new (std::nothrow) Entry{isKey, {}, {}});
    if (!entry)
    {
        return ERROR_OUTOFMEMORY;
    }
    entry->name = CopyString(name != nullptr ? name : L"");
    if (!entry->name)
    {
        return ERROR_OUTOFMEMORY;
    }
    // A handle of its own: the caller's handles are closed long before a failure is undone.
    return RegOpenKeyExW(key, nullptr, 0, access, entry->key.Put());
}

void RegistrationJournal::Push(std::unique_ptr<Entry> entry)
{
    entry->next = m_newest;
    m_newest = entry.release();
}

std::unique_ptr<RegistrationJournal::Entry> RegistrationJournal::PopNewest()
{
    std::unique_ptr<Entry> entry(m_newest);
    if (entry)
    {
        m_newest = entry->next;
    }
    return entry;
}
