-- The snippets table. Exported snippet files use the same layout.
CREATE TABLE snippets (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    snippet     TEXT    NOT NULL DEFAULT '',
    content     TEXT    NOT NULL DEFAULT '',
    description TEXT    NOT NULL DEFAULT '',
    usecount    INTEGER NOT NULL DEFAULT 0,
    "group"     TEXT    NOT NULL DEFAULT 'default',
    enable      INTEGER NOT NULL DEFAULT 1,
    guid        TEXT    NOT NULL DEFAULT '',
    -- 0 after a delimiter, 1 immediately, 2 inside words
    triggermode INTEGER NOT NULL DEFAULT 0,
    -- the applications the snippet is kept to, one a line; '' everywhere
    onlyin      TEXT    NOT NULL DEFAULT '',
    -- 1: matches in any case and the content follows the case typed
    casefollows INTEGER NOT NULL DEFAULT 0,
    -- when the snippet's own fields last changed, ms since 1970 UTC
    modified    INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX snippets_guid ON snippets (guid);
-- Snippets deleted here, so the deletion reaches other installations.
CREATE TABLE deleted (guid TEXT PRIMARY KEY, at INTEGER NOT NULL);
-- The modification time each snippet had when this installation last agreed
-- with another one on it.
CREATE TABLE syncbase (guid TEXT PRIMARY KEY, at INTEGER NOT NULL);
-- The format: 1 since the trigger mode and the application list, 2 since
-- the case that follows the typing, 3 since modification times.
PRAGMA user_version = 3;
