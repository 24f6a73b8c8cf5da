#pragma once

#include <windows.h>

#include <memory>

// The keys and values that a registration created, so that a failure can take exactly those away
// again and leave whatever existed before it. Keys that ForceRemove or Delete removed and values that
// were overwritten are not recorded: they cannot be given back.
class RegistrationJournal
{
  public:
    struct Entry;
    // A point in the journal to undo back to.
    using Mark = const Entry*;

    RegistrationJournal() = default;
    RegistrationJournal(const RegistrationJournal&) = delete;
    RegistrationJournal& operator=(const RegistrationJournal&) = delete;
    // Forgets the entries; what they name stays in the registry.
    ~RegistrationJournal();

    // RegCreateKeyExW (no class, non-volatile) that records the key when this call created it.
    LSTATUS CreateKey(HKEY parent, const wchar_t* name, REGSAM access, HKEY* key);
    // RegSetValueExW that records the value when it was not there before. A value whose presence
    // cannot be read counts as present: the undo never removes what it is not sure this run added.
    LSTATUS SetValue(HKEY key, const wchar_t* valueName, DWORD type, const BYTE* data, DWORD size);

    Mark Current() const { return m_newest; }
    // Removes, newest first, what was recorded after the mark, and forgets it. A key that has gained
    // subkeys meanwhile stays; failures are passed over, since there is nothing else to try.
    void UndoTo(Mark mark);
    void UndoAll() { UndoTo(nullptr); }

  private:
    // Prepared before the registry is changed, so that a journal out of memory never leaves a change
    // unrecorded.
    static LSTATUS PrepareEntry(bool isKey, HKEY key, REGSAM access, const wchar_t* name,
                                std::unique_ptr<Entry>& entry);
    void Push(std::unique_ptr<Entry> entry);
    std::unique_ptr<Entry> PopNewest();

    Entry* m_newest = nullptr;
};
