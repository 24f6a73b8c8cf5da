#pragma once

#include <windows.h>

#include <memory>

struct ScriptKey;

// What a registration changed, so that a failure can put the registry back exactly as it was: the keys
// and values it created are removed, the values it overwrote get their earlier type and data back, and
// the key trees that ForceRemove or Delete removed come back with their values and subkeys. Security
// descriptors are not restored. Entries name their keys by root and path, not by handle: a later step may
// delete a key and build it anew, and undoing that step first brings the key back for the older entries.
class RegistrationJournal
{
  public:
    struct Entry;
    // A point in the journal to undo back to.
    using Mark = const Entry*;

    RegistrationJournal() = default;
    RegistrationJournal(const RegistrationJournal&) = delete;
    RegistrationJournal& operator=(const RegistrationJournal&) = delete;
    // Forgets the entries and frees the saved copies; what they name stays in the registry.
    ~RegistrationJournal();

    // RegCreateKeyExW (no class, non-volatile) that records the key when this call created it.
    LSTATUS CreateKey(const ScriptKey& parent, const wchar_t* name, REGSAM access, HKEY* key);
    // RegSetValueExW that records the value when it was not there before, and its earlier type and data
    // when it was. A value that is there but cannot be read is not overwritten: it could not be given back.
    LSTATUS SetValue(const ScriptKey& key, const wchar_t* valueName, DWORD type, const BYTE* data,
                     DWORD size);
    // DeleteKeyTree after a copy of the tree, whose failure the result is: ERROR_FILE_NOT_FOUND when there is
    // nothing to delete; any other failure deletes nothing. Nothing is opened for writing before the key is
    // known to exist. A deletion that fails, wholly or in part, is reported and otherwise passed over: the
    // key is reused, and the copy gives back whatever was removed.
    LSTATUS DeleteKeyTree(const ScriptKey& parent, const wchar_t* name);

    Mark Current() const { return m_newest; }
    // Undoes, newest first, what was recorded after the mark, and forgets it. A created key that has
    // gained subkeys meanwhile stays; each step that fails is reported and passed over, since there is
    // nothing else to try.
    void UndoTo(Mark mark);
    void UndoAll() { UndoTo(nullptr); }

  private:
    // Prepared before the registry is changed, so that a journal out of memory never leaves a change
    // unrecorded.
    static LSTATUS PrepareEntry(const ScriptKey& key, const wchar_t* name, std::unique_ptr<Entry>& entry);
    static void Undo(const Entry& entry);
    void Push(std::unique_ptr<Entry> entry);
    std::unique_ptr<Entry> PopNewest();

    Entry* m_newest = nullptr;
};
