-- Table ip of the inventory database db.mdb: one row per PC.
-- Text is stored as the code page 936 bytes it came as.
CREATE TABLE IF NOT EXISTS ip (
    pcname   TEXT,
    username TEXT,
    mac      TEXT COLLATE NOCASE,
    ip       TEXT,
    cpu      TEXT,
    board    TEXT,
    os       TEXT,
    pctype   TEXT,
    rammax   TEXT,
    rammin   TEXT,
    bios     TEXT,
    bm       TEXT,
    dh       TEXT,
    bz       TEXT,
    yp       TEXT,
    xk       TEXT,
    djsj     DATETIME DEFAULT (datetime('now', 'localtime'))
);
CREATE INDEX IF NOT EXISTS ip_mac ON ip (mac);
