-- The snippets table. Exported snippet files use the same layout.
CREATE TABLE snippets (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    snippet     TEXT    NOT NULL DEFAULT '',
    content     TEXT    NOT NULL DEFAULT '',
    description TEXT    NOT NULL DEFAULT '',
    usecount    INTEGER NOT NULL DEFAULT 0,
    "group"     TEXT    NOT NULL DEFAULT 'default',
    enable      INTEGER NOT NULL DEFAULT 1,
    guid        TEXT    NOT NULL DEFAULT ''
);
CREATE INDEX snippets_guid ON snippets (guid);
