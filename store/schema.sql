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
-- The administrator's asset record of each PC, keyed as ip_history is (the
-- MAC as the PC's row holds it, or the key of a row without one). Dates
-- are "YYYY-MM-DD", the price has two decimal places, the status is one of
-- 在用, 备用, 维修, 报废. No report writes it; its changes go into
-- ip_history with the address 手工修改 or the import's.
CREATE TABLE IF NOT EXISTS ip_asset (
    mac          TEXT PRIMARY KEY COLLATE NOCASE,
    assetno      TEXT,
    status       TEXT,
    location     TEXT,
    purchasedate TEXT,
    supplier     TEXT,
    price        TEXT,
    warrantyend  TEXT,
    remark       TEXT
);
CREATE UNIQUE INDEX IF NOT EXISTS ip_asset_no ON ip_asset (assetno) WHERE assetno <> '';
