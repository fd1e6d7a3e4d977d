// The name index of an IniText: sections and keys by lookup name, built at the first lookup and kept right through
// the writes that follow, so that a series of writes costs the file once, not once per write.
#include "platform/IniText.h"

#include <algorithm>

namespace Kadex::Platform {

// ASCII letters in lower case: names compare without regard to letter case for ASCII letters only.
QString IniText::foldedName(const QString &name)
{
    QString folded = name;
    for (QChar &c : folded) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z') {
            c = QChar(char16_t(c.unicode() + 32));
        }
    }
    return folded;
}

// The form an argument's name is looked up in the index in: two names find the same entry exactly when these are
// equal.
QString IniText::lookupName(const QByteArray &name) const
{
    return foldedName(nameUnits(name));
}

IniText::NameIndex &IniText::index() const
{
    if (m_index) {
        return *m_index;
    }
    auto index = std::make_shared<NameIndex>();
    const qsizetype firstHeader = m_headers.isEmpty() ? m_lines.size() : m_headers.front();
    // Entries above the first header form the first section with the empty name; without any, the empty name
    // finds a "[]" header instead.
    if (entryAmong(m_lines, 0, firstHeader)) {
        index->insert(QString(), Section{-1, std::nullopt});
    }
    // Only the first section of a name is ever searched, even when a later one holds the key.
    for (qsizetype h = 0; h < m_headers.size(); ++h) {
        const QString name = foldedName(nameOf(m_lines.at(m_headers[h])));
        if (!index->contains(name)) {
            index->insert(name, Section{h, std::nullopt});
        }
    }
    m_index = std::move(index);
    return *m_index;
}

qsizetype IniText::firstLine(const Section &section) const
{
    return section.header < 0 ? 0 : m_headers.at(section.header) + 1;
}

qsizetype IniText::endLine(const Section &section) const
{
    return section.header + 1 < m_headers.size() ? m_headers.at(section.header + 1) : m_lines.size();
}

IniText::Section *IniText::findSection(const QByteArray &name) const
{
    NameIndex &sections = index();
    const auto found = sections.find(lookupName(name));
    return found == sections.end() ? nullptr : &*found;
}

qsizetype IniText::findKey(Section &section, const QByteArray &name) const
{
    const qsizetype first = firstLine(section);
    if (!section.keys) {
        QHash<QString, qsizetype> keys;
        // Backwards, so that of several entries of a key the first one is kept.
        for (qsizetype i = endLine(section) - 1; i >= first; --i) {
            if (m_lines.at(i).kind == Kind::Entry) {
                keys.insert(foldedName(nameOf(m_lines.at(i))), i - first);
            }
        }
        section.keys = std::move(keys);
    }
    const qsizetype found = section.keys->value(lookupName(name), -1);
    return found < 0 ? -1 : first + found;
}

bool IniText::entryAmong(const QList<Line> &lines, qsizetype from, qsizetype to) const
{
    return std::any_of(lines.cbegin() + from, lines.cbegin() + to,
                       [](const Line &line) { return line.kind == Kind::Entry; });
}

// The index's section of the header at m_headers[header], when it is the first of its name (nothing otherwise).
IniText::Section *IniText::indexedSection(qsizetype header) const
{
    const auto found = m_index->find(foldedName(nameOf(m_lines.at(m_headers.at(header)))));
    return found != m_index->end() && found->header == header ? &*found : nullptr;
}

// Brings the index up to date after replaceLines replaced the lines old (now the lines change.first onwards): the
// sections stay as they were when the change kept every header and added new ones at the end of the file only;
// the keys of the section the change lies in move with it. A change the index cannot follow (sections changed in
// the middle, lines above the first header changed) drops it, to be built again at the next lookup.
void IniText::keepIndex(const QList<Line> &old, const Change &change)
{
    if (!m_index) {
        return;
    }
    qsizetype lead = 0;
    qsizetype trail = 0;
    qsizetype firstNewHeader = 0;
    const bool kept = keepsSections(old, change, lead, trail, firstNewHeader);
    // The section holding the changed lines: that of the last header before them (-1: above the first header).
    const qsizetype header =
        std::upper_bound(m_headers.cbegin(), m_headers.cend(), change.first + lead - 1) - m_headers.cbegin() - 1;
    const bool aboveFirstHeader = header < 0 && (old.size() - trail > lead || firstNewHeader > lead);
    if (!kept || aboveFirstHeader) {
        m_index.reset();
        return;
    }
    if (m_index.use_count() > 1) {
        m_index = std::make_shared<NameIndex>(*m_index); // copies of the unchanged text keep theirs
    }
    if (Section *section = header < 0 ? nullptr : indexedSection(header)) {
        moveKeys(*section, old, change, lead, old.size() - trail, firstNewHeader);
    }
    if (firstNewHeader == change.added - trail) {
        return;
    }
    // Sections added at the end of the file: each is the first of its name unless an earlier one has it.
    for (qsizetype h = header + 1; h < m_headers.size(); ++h) {
        const QString name = foldedName(nameOf(m_lines.at(m_headers[h])));
        if (!m_index->contains(name)) {
            m_index->insert(name, Section{h, std::nullopt});
        }
    }
}

// Whether a change keeps the sections: the old lines hold no header but the first and last one, which the new
// lines start and end with unchanged, and the new lines hold no header but these, unless they end the file.
// lead and trail get how many of those unchanged headers there are at each end (0 or 1), firstNewHeader where
// the added lines hold their first other header (change.added - trail when none).
bool IniText::keepsSections(const QList<Line> &old, const Change &change, qsizetype &lead, qsizetype &trail,
                            qsizetype &firstNewHeader) const
{
    const auto isHeader = [](const Line &line) { return line.kind == Kind::Header; };
    const auto added = [&](qsizetype i) { return m_lines.at(change.first + i); };
    lead = !old.isEmpty() && isHeader(old.front()) ? 1 : 0;
    trail = old.size() > lead && isHeader(old.back()) ? 1 : 0;
    if ((lead && (change.added < 1 || !isHeader(added(0)) || content(added(0)) != content(old.front()))) ||
        (trail && (change.added <= lead || !isHeader(added(change.added - 1)) ||
                   content(added(change.added - 1)) != content(old.back())))) {
        return false;
    }
    if (std::any_of(old.cbegin() + lead, old.cend() - trail, isHeader)) {
        return false;
    }
    firstNewHeader = lead;
    while (firstNewHeader < change.added - trail && !isHeader(added(firstNewHeader))) {
        ++firstNewHeader;
    }
    const bool endsFile = change.first + change.added == m_lines.size();
    return firstNewHeader == change.added - trail || (trail == 0 && endsFile);
}

// Moves the keys of the section whose lines old[lead..removedEnd) were replaced by the lines
// change.first + [lead..addedEnd): keys on the lines replaced go, keys on the lines added come, keys after them
// move by the change in line count. When a key of a replaced line comes back on no added line, a later entry of it
// may now be the first: the section's keys are found again at the next lookup. Only the changed lines are looked
// at, and the keys only when lines after them move: a series of writes to one section costs each write its lines.
void IniText::moveKeys(Section &section, const QList<Line> &old, const Change &change, qsizetype lead,
                       qsizetype removedEnd, qsizetype addedEnd)
{
    if (!section.keys) {
        return;
    }
    QHash<QString, qsizetype> &keys = *section.keys;
    const qsizetype base = firstLine(section);
    QList<QString> gone;
    for (qsizetype i = lead; i < removedEnd; ++i) {
        const qsizetype at = change.first + i - base;
        if (old.at(i).kind == Kind::Entry) {
            const QString name = foldedName(nameOf(old.at(i)));
            if (keys.value(name, -1) == at) {
                keys.remove(name);
                gone.append(name);
            }
        }
    }
    const qsizetype moved = change.added - change.removed;
    if (moved != 0 && change.first + addedEnd < endLine(section)) {
        const qsizetype after = change.first + removedEnd - base;
        for (qsizetype &line : keys) {
            line += line >= after ? moved : 0;
        }
    }
    for (qsizetype i = change.first + lead; i < change.first + addedEnd; ++i) {
        if (m_lines.at(i).kind == Kind::Entry) {
            const QString name = foldedName(nameOf(m_lines.at(i)));
            const auto known = keys.constFind(name);
            if (known == keys.cend() || known.value() > i - base) {
                keys.insert(name, i - base);
            }
        }
    }
    if (std::any_of(gone.cbegin(), gone.cend(), [&](const QString &name) { return !keys.contains(name); })) {
        section.keys.reset();
    }
}

} // namespace Kadex::Platform
