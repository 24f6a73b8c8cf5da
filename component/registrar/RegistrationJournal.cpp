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
    HKEY root;
    std::unique_ptr<wchar_t[]> path; // below root: the key's parent, or the value's key
    std::unique_ptr<wchar_t[]> name; // of the key or the value; empty for a default value
    SavedValue earlierValue;         // OverwrittenValue
    std::unique_ptr<SavedKeyTree> deletedTree;
    Entry* next = nullptr;
};

namespace
{

// Whether parent\name has subkeys; a key that cannot be asked counts as having none.
bool HasSubkeys(HKEY parent, const wchar_t* name)
{
    platform::UniqueRegKey key;
    DWORD subkeyCount = 0;
    return RegOpenKeyExW(parent, name, 0, KEY_READ, key.Put()) == ERROR_SUCCESS &&
           RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeyCount != 0;
}

} // namespace

RegistrationJournal::~RegistrationJournal()
{
    while (PopNewest())
    {
    }
}

LSTATUS RegistrationJournal::CreateKey(const ScriptKey& parent, const wchar_t* name, REGSAM access, HKEY* key)
{
    std::unique_ptr<Entry> entry;
    const LSTATUS prepareError = PrepareEntry(parent, name, entry);
    if (prepareError != ERROR_SUCCESS)
    {
        return prepareError;
    }
    entry->kind = Entry::Kind::CreatedKey;
    DWORD disposition = 0;
    const LSTATUS error = RegCreateKeyExW(parent.handle, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                          nullptr, key, &disposition);
    if (error == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY)
    {
        Push(std::move(entry));
    }
    return error;
}

LSTATUS RegistrationJournal::SetValue(const ScriptKey& key, const wchar_t* valueName, DWORD type,
                                      const BYTE* data, DWORD size)
{
    std::unique_ptr<Entry> entry;
    LSTATUS error = PrepareEntry(key, valueName, entry);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    error = entry->earlierValue.Read(key.handle, valueName);
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
    error = RegSetValueExW(key.handle, valueName, 0, type, data, size);
    if (error == ERROR_SUCCESS)
    {
        Push(std::move(entry));
    }
    return error;
}

LSTATUS RegistrationJournal::DeleteKeyTree(const ScriptKey& parent, const wchar_t* name)
{
    std::unique_ptr<Entry> entry;
    LSTATUS error = PrepareEntry(parent, name, entry);
    if (error == ERROR_SUCCESS)
    {
        // Opens the key for reading only: a key that is not there is found before anything asks for writing.
        error = SavedKeyTree::Copy(parent.handle, name, entry->deletedTree);
    }
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    entry->kind = Entry::Kind::DeletedTree;
    Push(std::move(entry));
    const LSTATUS deleteError = ::DeleteKeyTree(parent.handle, name);
    if (deleteError != ERROR_SUCCESS)
    {
        ReportKeyFailure(PLATFORM_FAILURE_SITE, deleteError, parent.root, parent.path, name, nullptr);
    }
    return ERROR_SUCCESS;
}

void RegistrationJournal::UndoTo(Mark mark)
{
    while (m_newest != mark && m_newest != nullptr)
    {
        Undo(*PopNewest());
    }
}

void RegistrationJournal::Undo(const Entry& entry)
{
    // Found again by its path: the handle it was changed through may name a key deleted since.
    platform::UniqueRegKey key;
    LSTATUS error = RegOpenKeyExW(entry.root, entry.path.get(), 0, KEY_READ | KEY_WRITE, key.Put());
    if (error != ERROR_SUCCESS)
    {
        error = RegOpenKeyExW(entry.root, entry.path.get(), 0, KEY_READ, key.Put());
    }
    const bool removal = entry.kind == Entry::Kind::CreatedKey || entry.kind == Entry::Kind::AddedValue;
    if (error == ERROR_SUCCESS)
    {
        switch (entry.kind)
        {
        case Entry::Kind::CreatedKey:
            error = HasSubkeys(key.Get(), entry.name.get()) ? ERROR_SUCCESS
                                                            : DeleteOneKey(key.Get(), entry.name.get());
            break;
        case Entry::Kind::AddedValue:
            error = RegDeleteValueW(key.Get(), entry.name.get());
            break;
        case Entry::Kind::OverwrittenValue:
            error = entry.earlierValue.Write(key.Get());
            break;
        case Entry::Kind::DeletedTree:
            entry.deletedTree->Restore({key.Get(), entry.root, entry.path.get()}); // reports its own failures
            break;
        }
    }
    // What is to be removed and is not there is gone as it should be.
    if (error != ERROR_SUCCESS && !(removal && error == ERROR_FILE_NOT_FOUND))
    {
        const bool value =
            entry.kind == Entry::Kind::AddedValue || entry.kind == Entry::Kind::OverwrittenValue;
        ReportKeyFailure(PLATFORM_FAILURE_SITE, error, entry.root, entry.path.get(),
                         value ? nullptr : entry.name.get(), value ? entry.name.get() : nullptr);
    }
}

LSTATUS RegistrationJournal::PrepareEntry(const ScriptKey& key, const wchar_t* name,
                                          std::unique_ptr<Entry>& entry)
{
    entry.reset(new (std::nothrow) Entry{});
    if (!entry)
    {
        return ERROR_OUTOFMEMORY;
    }
    entry->root = key.root;
    entry->path = CopyString(key.path);
    entry->name = CopyString(name != nullptr ? name : L"");
    return entry->path && entry->name ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
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
