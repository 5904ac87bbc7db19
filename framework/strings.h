// TStrings: the abstract list of text lines, stored in designs as Lines.Strings = ( ... ).
#pragma once

#include <string>
#include <string_view>

#include "framework/persistent.h"

namespace kiv {

class TStrings : public TPersistent {
public:
    virtual int Count() const = 0;
    // EListError "List index out of bounds (%d)" outside 0..Count()-1 (Insert: 0..Count()).
    virtual const std::string& Strings(int index) const = 0;
    virtual void SetStrings(int index, const std::string& text) = 0;
    virtual void Insert(int index, const std::string& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    // Appends a line and returns its index.
    int Add(const std::string& text);
    void AddStrings(const TStrings& source);
    // The first line equal to `text` (ASCII case ignored unless CaseSensitive()), or -1.
    int IndexOf(std::string_view text) const;

    // Every line followed by "\n", so that a list ending in an empty line survives SetText.
    std::string Text() const;
    // Replaces the lines by those of `text`, split at "\n" and "\r\n"; a break at the very end
    // does not start another line.
    void SetText(std::string_view text);

    bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool caseSensitive) { m_caseSensitive = caseSensitive; }

    // Nested updates: change notices are held back until the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return m_updateCount; }

    // From any TStrings: the lines are copied inside one update. Other sources: the base error.
    void Assign(const TPersistent* source) override;
    // Declares "Strings", the list of lines, written when there is at least one.
    void DefineProperties(TFiler& filer) override;

protected:
    // Called by BeginUpdate (true) as the first update opens and EndUpdate (false) as the last
    // closes.
    virtual void SetUpdateState(bool /*updating*/) {}

private:
    int m_updateCount = 0;
    bool m_caseSensitive = false;
};

}  // namespace kiv
