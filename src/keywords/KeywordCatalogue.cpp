#include "keywords/KeywordCatalogue.h"

#include <algorithm>
#include <stdexcept>

namespace kelvra {
namespace {

// The lists are built on first use, so that a catalogue made during static
// initialisation elsewhere still finds them.
// Longest phrases first, so that a phrase is always joined before any of its parts.
const std::vector<std::string> &YoyakuEntries() {
    static const std::vector<std::string> list = {"ALTER ROLLBACK SEGMENT",
                                                  "ALTER SHAPSHOT LOG",
                                                  "CREATE DATABASE LINK",
                                                  "CREATE PACKAGE BODY",
                                                  "CREATE SNAPSHOT LOG",
                                                  "DROP DATABASE LINK",
                                                  "DROP SNAPSHOT LOG",
                                                  "FOR UPDATE NOWAIT",
                                                  "WITH ADMIN OPTION",
                                                  "WITH CHECK OPTION",
                                                  "WITH GRANT OPTION",
                                                  "WITH READ ONLY",
                                                  "ALTER CLUSTER",
                                                  "ALTER DATABASE",
                                                  "ALTER FUNCTION",
                                                  "ALTER INDEX",
                                                  "ALTER PACKAGE",
                                                  "ALTER PROCEDURE",
                                                  "ALTER PROFILE",
                                                  "ALTER RESOURCE COST",
                                                  "ALTER ROLE",
                                                  "ALTER SEQUENCE",
                                                  "ALTER SESSION",
                                                  "ALTER SNAPSHOT",
                                                  "ALTER TABLE",
                                                  "ALTER TABLESPACE",
                                                  "ALTER TRIGGER",
                                                  "ALTER USER",
                                                  "ALTER VIEW",
                                                  "CREATE CLUSTER",
                                                  "CREATE CONTROLFILE",
                                                  "CREATE DATABASE",
                                                  "CREATE FUNCTION",
                                                  "CREATE INDEX",
                                                  "CREATE PACKAGE",
                                                  "CREATE PROCEDURE",
                                                  "CREATE PROFILE",
                                                  "CREATE ROLE",
                                                  "CREATE ROLLBACKSEGMENT",
                                                  "CREATE SCHEMA",
                                                  "CREATE SEQUENCE",
                                                  "CREATE SHAPSHOT",
                                                  "CREATE SYNONYM",
                                                  "CREATE TABLE",
                                                  "CREATE TABLESPACE",
                                                  "CREATE TRIGGER",
                                                  "CREATE USER",
                                                  "CREATE VIEW",
                                                  "DECLARE CURSOR",
                                                  "DECLARE DATABASE",
                                                  "DECLARE STATEMENT",
                                                  "DECLARE TABLE",
                                                  "DROP CLUSTER",
                                                  "DROP FUNCTION",
                                                  "DROP INDEX",
                                                  "DROP PACKAGE",
                                                  "DROP PROCEDURE",
                                                  "DROP PROFILE",
                                                  "DROP ROLE",
                                                  "DROP ROLLBACKSEGMENT",
                                                  "DROP SEQUENCE",
                                                  "DROP SNAPSHOT",
                                                  "DROP SYNONYM",
                                                  "DROP TABLE",
                                                  "DROP TABLESPACE",
                                                  "DROP TRIGGER",
                                                  "DROP USER",
                                                  "DROP VIEW",
                                                  "EXECUTE IMMEDIATE",
                                                  "EXPLAIN PLAN",
                                                  "FOR UPDATE",
                                                  "GROUP BY",
                                                  "INCREMENT BY",
                                                  "INSERT INTO",
                                                  "LOCK TABLE",
                                                  "ORDER BY",
                                                  "SET TRANSACTION",
                                                  "START WITH",
                                                  "UNION ALL",
                                                  "VALIDATE INDEX",
                                                  "VALIDATE STRUCTURE",
                                                  "ABS",
                                                  "ACCESS",
                                                  "ADD",
                                                  "ADD_MONTHS",
                                                  "ALL",
                                                  "ALLOCATE",
                                                  "ALTER",
                                                  "ANALYZE",
                                                  "AND",
                                                  "ANY",
                                                  "ASC",
                                                  "ASCII",
                                                  "AUDIT",
                                                  "AVG",
                                                  "BETWEEN",
                                                  "BLOB",
                                                  "CEIL",
                                                  "CHAR",
                                                  "CHARTOROWID",
                                                  "CHECK",
                                                  "CHR",
                                                  "CLOB",
                                                  "CLOSE",
                                                  "CLUSTER",
                                                  "COLUMN",
                                                  "COMMENT",
                                                  "COMMIT",
                                                  "COMPOSITE_LIMIT",
                                                  "COMPRESS",
                                                  "CONCAT",
                                                  "CONNECT",
                                                  "CONNECT_TIME",
                                                  "CONVERT",
                                                  "COS",
                                                  "COSH",
                                                  "COUNT",
                                                  "CPU_PER_CALL",
                                                  "CPU_PER_SESSION",
                                                  "CREATE",
                                                  "CREATETABLESPACE",
                                                  "CURRENT",
                                                  "DATE",
                                                  "DECIMAL",
                                                  "DECODE",
                                                  "DEFAULT",
                                                  "DELETE",
                                                  "DESC",
                                                  "DESCRIBE",
                                                  "DISTINCT",
                                                  "DROP",
                                                  "DUMP",
                                                  "ELSE",
                                                  "EXCLUSIVE",
                                                  "EXECUTE",
                                                  "EXISTS",
                                                  "EXP",
                                                  "FETCH",
                                                  "FILE",
                                                  "FLOAT",
                                                  "FLOOR",
                                                  "FOR",
                                                  "FROM",
                                                  "GLB",
                                                  "GRANT",
                                                  "GREATEST",
                                                  "GREATEST_LB",
                                                  "HAVING",
                                                  "HEXTORAW",
                                                  "IDENTIFIED",
                                                  "IDLE_TIME",
                                                  "IMMEDIATE",
                                                  "IN",
                                                  "INCREMENT",
                                                  "INDEX",
                                                  "INITCAP",
                                                  "INITIAL",
                                                  "INSERT",
                                                  "INSTR",
                                                  "INSTRB",
                                                  "INTEGER",
                                                  "INTERSECT",
                                                  "INTO",
                                                  "LAST_DAY",
                                                  "LEAST",
                                                  "LEAST_UB",
                                                  "LENGTH",
                                                  "LENGTHB",
                                                  "LEVEL",
                                                  "LIKE",
                                                  "LN",
                                                  "LOCK",
                                                  "LOG",
                                                  "LOGICAL_READS_PER_CALL",
                                                  "LOGICAL_READS_PER_SESSION",
                                                  "LONG",
                                                  "LOWER",
                                                  "LPAD",
                                                  "LTRIM",
                                                  "LUB",
                                                  "MAX",
                                                  "MAXEXTENTS",
                                                  "MIN",
                                                  "MINUS",
                                                  "MOD",
                                                  "MODE",
                                                  "MODIFY",
                                                  "MONTHS_BETWEEN",
                                                  "NEW_TIME",
                                                  "NEXT_DAY",
                                                  "NLS_INITCAP",
                                                  "NLS_LOWER",
                                                  "NLS_UPPER",
                                                  "NLSSORT",
                                                  "NOAUDIT",
                                                  "NOCOMPRESS",
                                                  "NOWAIT",
                                                  "NUMBER",
                                                  "NVL",
                                                  "OF",
                                                  "OFFLINE",
                                                  "ON",
                                                  "ONLINE",
                                                  "OPEN",
                                                  "OPTION",
                                                  "OR",
                                                  "PCTFREE",
                                                  "POWER",
                                                  "PREPARE",
                                                  "PRIOR",
                                                  "PRIVATE_SGA",
                                                  "PRIVILEGES",
                                                  "RAW",
                                                  "RAWTOHEX",
                                                  "RENAME",
                                                  "REPLACE",
                                                  "RESOURCE",
                                                  "REVOKE",
                                                  "ROLLBACK",
                                                  "ROUND",
                                                  "ROW",
                                                  "ROWID",
                                                  "ROWIDTOCHAR",
                                                  "ROWLABEL",
                                                  "ROWNUM",
                                                  "ROWS",
                                                  "RPAD",
                                                  "RTRIM",
                                                  "SAVEPOINT",
                                                  "SELECT",
                                                  "SESSION",
                                                  "SESSIONS_PER_USER",
                                                  "SET",
                                                  "SHARE",
                                                  "SIN",
                                                  "SING",
                                                  "SINH",
                                                  "SIZE",
                                                  "SMALLINT",
                                                  "SOUNDEX",
                                                  "SQRT",
                                                  "START",
                                                  "STDDEV",
                                                  "STORAGE",
                                                  "SUBSTR",
                                                  "SUBSTRB",
                                                  "SUCCESSFUL",
                                                  "SUM",
                                                  "SYNONYM",
                                                  "SYSDATE",
                                                  "TABLE",
                                                  "TAN",
                                                  "TANH",
                                                  "THENTO",
                                                  "TO_CHAR",
                                                  "TO_DATE",
                                                  "TO_LABEL",
                                                  "TO_MULTI_BYTE",
                                                  "TO_NUMBER",
                                                  "TO_SINGLE_BYTE",
                                                  "TRANSLATE",
                                                  "TRIGGER",
                                                  "TRUNC",
                                                  "TRUNCATE",
                                                  "TYPE",
                                                  "UID",
                                                  "UNION",
                                                  "UNIQUE",
                                                  "UNLIMITED",
                                                  "UPDATE",
                                                  "UPPER",
                                                  "USER",
                                                  "USERENV",
                                                  "VALIDATE",
                                                  "VALUES",
                                                  "VAR",
                                                  "VARCHAR",
                                                  "VARCHAR2",
                                                  "VARIANCE",
                                                  "VIEW",
                                                  "VSIZE",
                                                  "WHENEVER",
                                                  "WHERE",
                                                  "WITH"};
    return list;
}

const std::vector<std::string> &KansuEntries() {
    static const std::vector<std::string> list = {"ABS",
                                                  "ADD_MONTHS",
                                                  "ASCII",
                                                  "AVG",
                                                  "CEIL",
                                                  "CHAR",
                                                  "CHARTOROWID",
                                                  "CHR",
                                                  "CONCAT",
                                                  "CONVERT",
                                                  "COS",
                                                  "COSH",
                                                  "COUNT",
                                                  "DECODE",
                                                  "DUMP",
                                                  "EXP",
                                                  "FLOOR",
                                                  "GLB",
                                                  "GREATEST",
                                                  "GREATEST_LB",
                                                  "HEXTORAW",
                                                  "IN",
                                                  "INITCAP",
                                                  "INSTR",
                                                  "INSTRB",
                                                  "LAST_DAY",
                                                  "LEAST",
                                                  "LEAST_UB",
                                                  "LENGTH",
                                                  "LENGTHB",
                                                  "LN",
                                                  "LOG",
                                                  "LOWER",
                                                  "LPAD",
                                                  "LTRIM",
                                                  "LUB",
                                                  "MAX",
                                                  "MIN",
                                                  "MOD",
                                                  "MONTH_BETWEEN",
                                                  "NEW_TIME",
                                                  "NEXT_DAY",
                                                  "NLS_INITCAP",
                                                  "NLS_LOWER",
                                                  "NLS_UPPER",
                                                  "NLSSORT",
                                                  "NUMBER",
                                                  "NVL",
                                                  "POWER",
                                                  "RAWTOHEX",
                                                  "REPLACE",
                                                  "ROUND",
                                                  "ROWIDTOCHAR",
                                                  "RPAD",
                                                  "RTRIM",
                                                  "SIN",
                                                  "SING",
                                                  "SINH",
                                                  "SOUNDEX",
                                                  "SQRT",
                                                  "STDDEV",
                                                  "STORAGE",
                                                  "SUBSTR",
                                                  "SUBSTRB",
                                                  "SUM",
                                                  "TAN",
                                                  "TANH",
                                                  "TO_CHAR",
                                                  "TO_DATE",
                                                  "TO_LABEL",
                                                  "TO_MULTI_BYTE",
                                                  "TO_NUMBER",
                                                  "TO_SINGLE_BYTE",
                                                  "TRANSLATE",
                                                  "TRUNC",
                                                  "UPPER",
                                                  "USERENV",
                                                  "VALUES",
                                                  "VAR",
                                                  "VARCHAR",
                                                  "VARCHAR2",
                                                  "VARIANCE",
                                                  "VSIZE"};
    return list;
}

const std::vector<std::string> &TandokuEntries() {
    static const std::vector<std::string> list = {"ALLOCATE",
                                                  "ALTER FUNCTION",
                                                  "ALTER INDEX",
                                                  "ALTER PACKAGE",
                                                  "ALTER PROCEDURE",
                                                  "ALTER PROFILE",
                                                  "ALTER RESOURCE COST",
                                                  "ALTER ROLE",
                                                  "ALTER ROLLBACK SEGMENT",
                                                  "ALTER SEQUENCE",
                                                  "ALTER SHAPSHOT LOG",
                                                  "ALTER SNAPSHOT",
                                                  "ALTER TABLE",
                                                  "ALTER TABLESPACE",
                                                  "ALTER TRIGGER",
                                                  "ALTER USER",
                                                  "ALTER VIEW",
                                                  "ANALYZE",
                                                  "AUDIT",
                                                  "CLOSE",
                                                  "COMMENT",
                                                  "COMMIT",
                                                  "CONNECT",
                                                  "CREATE CLUSTER",
                                                  "CREATE CONTROLFILE",
                                                  "CREATE DATABASE",
                                                  "CREATE DATABASE LINK",
                                                  "CREATE FUNCTION",
                                                  "CREATE INDEX",
                                                  "CREATE PACKAGE",
                                                  "CREATE PACKAGE BODY",
                                                  "CREATE PROCEDURE",
                                                  "CREATE PROFILE",
                                                  "CREATE ROLE",
                                                  "CREATE ROLLBACKSEGMENT",
                                                  "CREATE SCHEMA",
                                                  "CREATE SEQUENCE",
                                                  "CREATE SHAPSHOT",
                                                  "CREATE SNAPSHOT LOG",
                                                  "CREATE SYNONYM",
                                                  "CREATE TABLE",
                                                  "CREATE TABLESPACE",
                                                  "CREATE TRIGGER",
                                                  "CREATE USER",
                                                  "CREATE VIEW",
                                                  "CREATE",
                                                  "DECLARE CURSOR",
                                                  "DECLARE DATABASE",
                                                  "DECLARE STATEMENT",
                                                  "DECLARE TABLE",
                                                  "DELETE",
                                                  "DESCRIBE",
                                                  "DISTINCT",
                                                  "DROP CLUSTER",
                                                  "DROP DATABASE LINK",
                                                  "DROP FUNCTION",
                                                  "DROP INDEX",
                                                  "DROP PACKAGE",
                                                  "DROP PROCEDURE",
                                                  "DROP PROFILE",
                                                  "DROP ROLE",
                                                  "DROP ROLLBACKSEGMENT",
                                                  "DROP SEQUENCE",
                                                  "DROP SNAPSHOT",
                                                  "DROP SNAPSHOT LOG",
                                                  "DROP SYNONYM",
                                                  "DROP TABLE",
                                                  "DROP TABLESPACE",
                                                  "DROP TRIGGER",
                                                  "DROP USER",
                                                  "DROP VIEW",
                                                  "EXECUTE",
                                                  "EXECUTE IMMEDIATE",
                                                  "EXPLAIN PLAN",
                                                  "FETCH",
                                                  "FROM",
                                                  "GRANT",
                                                  "GROUP BY",
                                                  "INTERSECT",
                                                  "INSERT INTO",
                                                  "INTO",
                                                  "LOCK TABLE",
                                                  "MINUS",
                                                  "NOAUDIT",
                                                  "OPEN",
                                                  "ORDER BY",
                                                  "PREPARE",
                                                  "RENAME",
                                                  "REVOKE",
                                                  "ROLLBACK",
                                                  "SAVEPOINT",
                                                  "SELECT",
                                                  "SET TRANSACTION",
                                                  "TRUNCATE",
                                                  "TYPE",
                                                  "UNION",
                                                  "UNION ALL",
                                                  "UPDATE",
                                                  "VAR",
                                                  "WHENEVER",
                                                  "WHERE"};
    return list;
}

const std::vector<std::string> &UsiroNoEntries() {
    static const std::vector<std::string> list = {"ANALYZE", "AND", "ALTER", "CREATE", "DROP", "EXECUTE", "LOCK", "OR"};
    return list;
}

const std::vector<std::string> &MaeNoEntries() {
    static const std::vector<std::string> list = {"BLOB",     "CHAR", "CLOB",    "DATE",    "LONG",    "NUMBER",
                                                  "ROLLBACK", "SET",  "SYSDATE", "VARCHAR", "VARCHAR2"};
    return list;
}

// Position of DECODE, the entry that the older stored layout lacks.
constexpr std::size_t kOlderYoyakuDecodeAt = 124; // 0-based: before character 125
constexpr std::size_t kOlderKansuDecodeAt = 13;   // 0-based: before character 14
constexpr std::size_t kOlderYoyakuLength = 283;
constexpr std::size_t kOlderKansuLength = 82;

std::size_t Index(KeywordList list) { return static_cast<std::size_t>(list); }

std::string InsertDecodeState(const std::string &states, std::size_t at, char state, std::size_t olderLength) {
    std::string head = states.substr(0, std::min(at, states.size()));
    std::string tail = states.size() > at ? states.substr(at, olderLength - at) : std::string();
    return head + state + tail;
}

} // namespace

KeywordCatalogue::KeywordCatalogue() {
    for (int i = 0; i < kListCount; ++i)
        states_[i].assign(Entries(static_cast<KeywordList>(i)).size(), CheckState::Checked);
}

const std::vector<std::string> &KeywordCatalogue::Entries(KeywordList list) {
    switch (list) {
    case KeywordList::Yoyaku: return YoyakuEntries();
    case KeywordList::Kansu: return KansuEntries();
    case KeywordList::Tandoku: return TandokuEntries();
    case KeywordList::UsiroNo: return UsiroNoEntries();
    case KeywordList::MaeNo: return MaeNoEntries();
    }
    throw std::invalid_argument("unknown keyword list");
}

std::vector<CheckState> &KeywordCatalogue::States(KeywordList list) { return states_[Index(list)]; }

const std::vector<CheckState> &KeywordCatalogue::States(KeywordList list) const { return states_[Index(list)]; }

int KeywordCatalogue::Count(KeywordList list) { return static_cast<int>(Entries(list).size()); }

const std::string &KeywordCatalogue::Text(KeywordList list, int position) {
    return Entries(list).at(static_cast<std::size_t>(position - 1));
}

CheckState KeywordCatalogue::State(KeywordList list, int position) const {
    return States(list).at(static_cast<std::size_t>(position - 1));
}

void KeywordCatalogue::SetState(KeywordList list, int position, CheckState state) {
    States(list).at(static_cast<std::size_t>(position - 1)) = state;
}

bool KeywordCatalogue::IsChecked(KeywordList list, int position) const {
    return State(list, position) == CheckState::Checked;
}

bool KeywordCatalogue::ContainsChecked(KeywordList list, std::string_view text) const {
    const auto &entries = Entries(list);
    const auto &states = States(list);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (states[i] == CheckState::Checked && entries[i] == text) return true;
    return false;
}

void KeywordCatalogue::CheckAll() {
    for (auto &list : states_) std::fill(list.begin(), list.end(), CheckState::Checked);
}

int KeywordCatalogue::Find(KeywordList list, std::string_view text) {
    const auto &entries = Entries(list);
    const auto it = std::find(entries.begin(), entries.end(), text);
    return it == entries.end() ? 0 : static_cast<int>(it - entries.begin()) + 1;
}

void KeywordCatalogue::ClickYoyaku(int position) {
    const CheckState reserved =
        State(KeywordList::Yoyaku, position) == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
    SetState(KeywordList::Yoyaku, position, reserved);
    const std::string &text = Text(KeywordList::Yoyaku, position);
    if (const int f = Find(KeywordList::Kansu, text)) {
        const CheckState function = State(KeywordList::Kansu, f);
        if (reserved == CheckState::Checked && function == CheckState::Grayed)
            SetState(KeywordList::Kansu, f, CheckState::Checked);
        else if (reserved == CheckState::Unchecked && function == CheckState::Checked)
            SetState(KeywordList::Kansu, f, CheckState::Grayed);
    }
    for (KeywordList hidden : {KeywordList::Tandoku, KeywordList::UsiroNo, KeywordList::MaeNo})
        if (const int h = Find(hidden, text)) SetState(hidden, h, reserved);
}

void KeywordCatalogue::ClickKansu(int position) {
    CheckState next = CheckState::Grayed;
    switch (State(KeywordList::Kansu, position)) {
    case CheckState::Unchecked: next = CheckState::Grayed; break;
    case CheckState::Grayed: next = CheckState::Checked; break;
    case CheckState::Checked: next = CheckState::Unchecked; break;
    }
    if (const int r = Find(KeywordList::Yoyaku, Text(KeywordList::Kansu, position))) {
        // Off becomes on: on shows gray while the word is off.
        if (next == CheckState::Grayed) {
            if (State(KeywordList::Yoyaku, r) == CheckState::Checked) next = CheckState::Checked;
        } else {
            next = CheckState::Unchecked;
        }
    }
    SetState(KeywordList::Kansu, position, next);
}

void KeywordCatalogue::CheckAllYoyaku() {
    std::fill(States(KeywordList::Yoyaku).begin(), States(KeywordList::Yoyaku).end(), CheckState::Checked);
    for (CheckState &s : States(KeywordList::Kansu))
        if (s == CheckState::Grayed) s = CheckState::Checked;
    MirrorDependentLists();
}

void KeywordCatalogue::UncheckAllYoyaku() {
    std::fill(States(KeywordList::Yoyaku).begin(), States(KeywordList::Yoyaku).end(), CheckState::Unchecked);
    for (CheckState &s : States(KeywordList::Kansu))
        if (s == CheckState::Checked) s = CheckState::Grayed;
    MirrorDependentLists();
}

void KeywordCatalogue::CheckAllKansu() {
    for (int r = 1; r <= kYoyakuCount; ++r) {
        const int f = Find(KeywordList::Kansu, Text(KeywordList::Yoyaku, r));
        if (!f) continue;
        SetState(KeywordList::Kansu, f,
                 State(KeywordList::Yoyaku, r) == CheckState::Checked ? CheckState::Checked : CheckState::Grayed);
    }
}

void KeywordCatalogue::UncheckAllKansu() {
    std::fill(States(KeywordList::Kansu).begin(), States(KeywordList::Kansu).end(), CheckState::Unchecked);
}

void KeywordCatalogue::MirrorDependentLists() {
    for (KeywordList dependent : {KeywordList::Tandoku, KeywordList::UsiroNo, KeywordList::MaeNo}) {
        const auto &entries = Entries(dependent);
        auto &states = States(dependent);
        for (std::size_t y = 0; y < YoyakuEntries().size(); ++y) {
            auto it = std::find(entries.begin(), entries.end(), YoyakuEntries()[y]);
            if (it != entries.end()) states[it - entries.begin()] = States(KeywordList::Yoyaku)[y];
        }
    }
}

std::string KeywordCatalogue::ConvertOlderYoyakuStates(const std::string &states) {
    return InsertDecodeState(states, kOlderYoyakuDecodeAt, '1', kOlderYoyakuLength);
}

std::string KeywordCatalogue::ConvertOlderKansuStates(const std::string &states) {
    return InsertDecodeState(states, kOlderKansuDecodeAt, '2', kOlderKansuLength);
}

void KeywordCatalogue::ApplyStoredStates(std::string &yoyakuStates, std::string &kansuStates, bool convertOlderLayout) {
    if (convertOlderLayout) {
        yoyakuStates = ConvertOlderYoyakuStates(yoyakuStates);
        kansuStates = ConvertOlderKansuStates(kansuStates);
    }
    auto &yoyaku = States(KeywordList::Yoyaku);
    if (yoyakuStates.size() == yoyaku.size()) {
        for (std::size_t i = 0; i < yoyaku.size(); ++i)
            yoyaku[i] = yoyakuStates[i] == '0' ? CheckState::Unchecked : CheckState::Checked;
    } else {
        std::fill(yoyaku.begin(), yoyaku.end(), CheckState::Checked);
    }
    auto &kansu = States(KeywordList::Kansu);
    if (kansuStates.size() == kansu.size()) {
        for (std::size_t i = 0; i < kansu.size(); ++i) {
            char c = kansuStates[i];
            kansu[i] = c == '0' ? CheckState::Unchecked : c == '1' ? CheckState::Grayed : CheckState::Checked;
        }
    } else {
        std::fill(kansu.begin(), kansu.end(), CheckState::Checked);
    }
    MirrorDependentLists();
}

void KeywordCatalogue::InitialiseFromStored(std::string &yoyakuStates, std::string &kansuStates,
                                            const std::string &settingsVersion) {
    if (!yoyakuStates.empty() && !kansuStates.empty())
        ApplyStoredStates(yoyakuStates, kansuStates, settingsVersion == "105");
    else
        CheckAll();
}

void KeywordCatalogue::BuildStoredStates(std::string &yoyakuStates, std::string &kansuStates) const {
    yoyakuStates.clear();
    for (CheckState s : States(KeywordList::Yoyaku)) yoyakuStates += s == CheckState::Unchecked ? '0' : '1';
    kansuStates.clear();
    for (CheckState s : States(KeywordList::Kansu))
        kansuStates += s == CheckState::Unchecked ? '0' : s == CheckState::Grayed ? '1' : '2';
}

} // namespace kelvra
