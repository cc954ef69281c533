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
-- What reports overwrote: one row per changed value of a row of ip, with
-- the MAC the report came under, the column, the old value (null when the
-- row held none) and the new one, the local time of the change
-- ("YYYY-MM-DD HH:MM:SS") and the address the report came from. Rows are
-- only ever added.
CREATE TABLE IF NOT EXISTS ip_history (
    id         INTEGER PRIMARY KEY,
    mac        TEXT COLLATE NOCASE,
    field      TEXT,
    oldvalue   TEXT,
    newvalue   TEXT,
    changetime TEXT,
    address    TEXT
);
CREATE INDEX IF NOT EXISTS ip_history_mac ON ip_history (mac);
-- When each PC was last seen: the node-status answer of a sweep (its local
-- time, the address it came from, the NetBIOS name it gave and the start of
-- that sweep) and its last report (time and address). Keyed by the MAC as
-- twelve uppercase hex digits; an answer whose MAC is all zeros is keyed
-- "IP " and its address. Rows are added and updated, never deleted.
CREATE TABLE IF NOT EXISTS ip_seen (
    seenkey       TEXT PRIMARY KEY,
    onlinetime    TEXT,
    address       TEXT,
    netbiosname   TEXT,
    sweeptime     TEXT,
    reporttime    TEXT,
    reportaddress TEXT
);
