#include "component/registrar/RegistrationJournal.h"

#include "component/registrar/RegKeyTree.h"
#include "component/registrar/StringCopy.h"
#include "platform/UniqueHandle.h"

#include <new>

struct RegistrationJournal::Entry
{
    enum class Kind
    {
        CreatedKey,
        AddedValue,
        OverwrittenValue,
        DeletedTree,
    };

    Kind kind;
    platform::UniqueRegKey key;      // the key's parent, or the value's key
    std::unique_ptr<wchar_t[]> name; // of the key or the value; empty for a default value
    SavedValue earlierValue;         // OverwrittenValue
    std::unique_ptr<SavedKeyTree> deletedTree;
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
    const LSTATUS prepareError = PrepareEntry(parent, KEY_READ, name, entry);
    if (prepareError != ERROR_SUCCESS)
    {
        return prepareError;
    }
    entry->kind = Entry::Kind::CreatedKey;
    DWORD disposition = 0;
    const LSTATUS error = RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                          key, &disposition);
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
    LSTATUS error = PrepareEntry(key, KEY_SET_VALUE, valueName, entry);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    error = entry->earlierValue.Read(key, valueName);
    if (error == ERROR_FILE_NOT_FOUND)
    {
        entry->kind = Entry::Kind::AddedValue;
    }
    else if (error == ERROR_SUCCESS)
    {
        entry->kind = Entry::Kind::OverwrittenValue;
    }
    else
    {
        return error;
    }
    error = RegSetValueExW(key, valueName, 0, type, data, size);
    if (error == ERROR_SUCCESS)
    {
        Push(std::move(entry));
    }
    return error;
}

LSTATUS RegistrationJournal::DeleteKeyTree(HKEY parent, const wchar_t* name)
{
    std::unique_ptr<Entry> entry;
    LSTATUS error = PrepareEntry(parent, KEY_READ | KEY_WRITE, name, entry);
    if (error == ERROR_SUCCESS)
    {
        error = SavedKeyTree::Copy(parent, name, entry->deletedTree);
    }
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    entry->kind = Entry::Kind::DeletedTree;
    Push(std::move(entry));
    ::DeleteKeyTree(parent, name); // a key that cannot be removed, wholly or in part, is simply reused
    return ERROR_SUCCESS;
}

void RegistrationJournal::UndoTo(Mark mark)
{
    while (m_newest != mark && m_newest != nullptr)
    {
        const std::unique_ptr<Entry> entry = PopNewest();
        switch (entry->kind)
        {
        case Entry::Kind::CreatedKey:
            DeleteOneKey(entry->key.Get(), entry->name.get());
            break;
        case Entry::Kind::AddedValue:
            RegDeleteValueW(entry->key.Get(), entry->name.get());
            break;
        case Entry::Kind::OverwrittenValue:
            entry->earlierValue.Write(entry->key.Get());
            break;
        case Entry::Kind::DeletedTree:
            entry->deletedTree->Restore(entry->key.Get());
            break;
        }
    }
}

LSTATUS RegistrationJournal::PrepareEntry(HKEY key, REGSAM access, const wchar_t* name,
                                          std::unique_ptr<Entry>& entry)
{
    entry.reset(new (std::nothrow) Entry{});
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
