-- Tables of the risk analysis (SQLite): result work tables, banded score
-- tables, standard weights and the advice dictionary. Widths and numeric
-- types are guarded by CHECK constraints so that SQLite refuses what the
-- servers refuse.
-- Every table and column is declared in store/Schema.cpp; a test holds
-- the scripts of every dialect to that list.

-- Analysis sessions. Every result row carries the key of the session that
-- wrote it, so workstations sharing the database never read each other's
-- results; rows of sessions not seen for a day are swept.
create table jkpg_fxhh (
    session_key varchar(36) not null primary key check (length(session_key) <= 36),
    bianh varchar(10) check (bianh is null or length(bianh) <= 10),
    jkpg_id int check (typeof(jkpg_id) in ('integer', 'null') and jkpg_id between -2147483648 and 2147483647),
    huodsj datetime not null check (typeof(huodsj) = 'text' and julianday(huodsj) is not null)
);
create index jkpg_fxhh_huodsj on jkpg_fxhh (huodsj);

-- Result work tables: filled per session, read back in order of xuh.
create table jkpg_gxy (
    gxyjb varchar(20) check (gxyjb is null or length(gxyjb) <= 20),
    gxy1 numeric(18,0) check (gxy1 is null or typeof(gxy1) in ('integer', 'real')),
    session_key varchar(36) not null check (length(session_key) <= 36),
    xuh int not null check (typeof(xuh) in ('integer', 'null') and xuh between -2147483648 and 2147483647)
);
create index jkpg_gxy_session_key on jkpg_gxy (session_key);

create table jkpg_gxb (
    gxbid varchar(20) check (gxbid is null or length(gxbid) <= 20),
    gxbbwxx real check (gxbbwxx is null or typeof(gxbbwxx) in ('integer', 'real')),
    session_key varchar(36) not null check (length(session_key) <= 36),
    xuh int not null check (typeof(xuh) in ('integer', 'null') and xuh between -2147483648 and 2147483647)
);
create index jkpg_gxb_session_key on jkpg_gxb (session_key);

create table jkpg_ncz (
    nczid varchar(20) check (nczid is null or length(nczid) <= 20),
    nczbwxx real check (nczbwxx is null or typeof(nczbwxx) in ('integer', 'real')),
    session_key varchar(36) not null check (length(session_key) <= 36),
    xuh int not null check (typeof(xuh) in ('integer', 'null') and xuh between -2147483648 and 2147483647)
);
create index jkpg_ncz_session_key on jkpg_ncz (session_key);

create table jkpg_tnb (
    tnbid varchar(20) check (tnbid is null or length(tnbid) <= 20),
    tnbpgxx real check (tnbpgxx is null or typeof(tnbpgxx) in ('integer', 'real')),
    session_key varchar(36) not null check (length(session_key) <= 36),
    xuh int not null check (typeof(xuh) in ('integer', 'null') and xuh between -2147483648 and 2147483647)
);
create index jkpg_tnb_session_key on jkpg_tnb (session_key);

create table jkpg_ssyypg (
    mingc varchar(20) check (mingc is null or length(mingc) <= 20),
    neir varchar(20) check (neir is null or length(neir) <= 20),
    zhis int check (typeof(zhis) in ('integer', 'null') and zhis between -2147483648 and 2147483647),
    session_key varchar(36) not null check (length(session_key) <= 36),
    xuh int not null check (typeof(xuh) in ('integer', 'null') and xuh between -2147483648 and 2147483647)
);
create index jkpg_ssyypg_session_key on jkpg_ssyypg (session_key);

create table jkpg_ydcf (
    jianyydl varchar(20) check (jianyydl is null or length(jianyydl) <= 20),
    yundfs varchar(50) check (yundfs is null or length(yundfs) <= 50),
    yundsj varchar(200) check (yundsj is null or length(yundsj) <= 200),
    yundqd varchar(50) check (yundqd is null or length(yundqd) <= 50),
    yundpd varchar(100) check (yundpd is null or length(yundpd) <= 100),
    session_key varchar(36) not null check (length(session_key) <= 36)
);
create index jkpg_ydcf_session_key on jkpg_ydcf (session_key);

create table jkpg_tgjc_pd (
    pd_tizzs varchar(10) check (pd_tizzs is null or length(pd_tizzs) <= 10),
    pd_shousy varchar(10) check (pd_shousy is null or length(pd_shousy) <= 10),
    pd_shuzy varchar(10) check (pd_shuzy is null or length(pd_shuzy) <= 10),
    pd_zongdgc varchar(10) check (pd_zongdgc is null or length(pd_zongdgc) <= 10),
    pd_ganysz varchar(10) check (pd_ganysz is null or length(pd_ganysz) <= 10),
    pd_gaomdzdb varchar(10) check (pd_gaomdzdb is null or length(pd_gaomdzdb) <= 10),
    pd_dimdzdb varchar(10) check (pd_dimdzdb is null or length(pd_dimdzdb) <= 10),
    pd_kongfxt varchar(10) check (pd_kongfxt is null or length(pd_kongfxt) <= 10),
    pd_canhexsxt varchar(50) check (pd_canhexsxt is null or length(pd_canhexsxt) <= 50),
    pd_tanghxhdb varchar(10) check (pd_tanghxhdb is null or length(pd_tanghxhdb) <= 10),
    pd_xuens varchar(10) check (pd_xuens is null or length(pd_xuens) <= 10),
    pd_yaow varchar(20) check (pd_yaow is null or length(pd_yaow) <= 20),
    session_key varchar(36) not null check (length(session_key) <= 36)
);
create index jkpg_tgjc_pd_session_key on jkpg_tgjc_pd (session_key);

create table jkpg_shfs_wxys (
    id integer primary key autoincrement,
    TZZS varchar(30) check (TZZS is null or length(TZZS) <= 30),
    TC varchar(30) check (TC is null or length(TC) <= 30),
    TG varchar(30) check (TG is null or length(TG) <= 30),
    HDL varchar(30) check (HDL is null or length(HDL) <= 30),
    LDL varchar(30) check (LDL is null or length(LDL) <= 30),
    YAOW varchar(30) check (YAOW is null or length(YAOW) <= 30),
    ZIFG varchar(30) check (ZIFG is null or length(ZIFG) <= 30),
    TZZSTS text,
    TCTS text,
    TGTS text,
    HDLTS text,
    LDLTS text,
    YAOWTS text,
    ZIFGTS text,
    session_key varchar(36) not null check (length(session_key) <= 36)
);
create index jkpg_shfs_wxys_session_key on jkpg_shfs_wxys (session_key);

-- Advice dictionary.
create table jkpg_sjzd_ts (
    id integer primary key autoincrement,
    xiangm varchar(20) check (xiangm is null or length(xiangm) <= 20),
    zhuangt varchar(20) check (zhuangt is null or length(zhuangt) <= 20),
    jib varchar(30) check (jib is null or length(jib) <= 30),
    tis text
);

-- Banded score tables: a row covers the values above the previous bound up
-- to and including its own.
create table jkpg_nl_gxb (
    nianl numeric(18,2) check (nianl is null or typeof(nianl) in ('integer', 'real')),
    nan real check (nan is null or typeof(nan) in ('integer', 'real')),
    nv real check (nv is null or typeof(nv) in ('integer', 'real'))
);

create table jkpg_nl_ncz (
    nianl numeric(18,2) check (nianl is null or typeof(nianl) in ('integer', 'real')),
    nan real check (nan is null or typeof(nan) in ('integer', 'real')),
    nv real check (nv is null or typeof(nv) in ('integer', 'real'))
);

create table jkpg_nl_tnb (
    nianl numeric(18,2) check (nianl is null or typeof(nianl) in ('integer', 'real')),
    nan real check (nan is null or typeof(nan) in ('integer', 'real')),
    nv real check (nv is null or typeof(nv) in ('integer', 'real'))
);

create table jkpg_sbp_gxb (
    sbp_zs numeric(18,2) check (sbp_zs is null or typeof(sbp_zs) in ('integer', 'real')),
    nan real check (nan is null or typeof(nan) in ('integer', 'real')),
    nv real check (nv is null or typeof(nv) in ('integer', 'real'))
);

create table jkpg_dbp_gxb (
    dbp_zs numeric(18,2) check (dbp_zs is null or typeof(dbp_zs) in ('integer', 'real')),
    nan real check (nan is null or typeof(nan) in ('integer', 'real')),
    nv real check (nv is null or typeof(nv) in ('integer', 'real'))
);

create table jkpg_tc_gxb (
    tc_zs numeric(18,2) check (tc_zs is null or typeof(tc_zs) in ('integer', 'real')),
    nan real check (nan is null or typeof(nan) in ('integer', 'real')),
    nv real check (nv is null or typeof(nv) in ('integer', 'real'))
);

create table jkpg_tzzs_gxb (
    tzzs_zs numeric(18,2) check (tzzs_zs is null or typeof(tzzs_zs) in ('integer', 'real')),
    nan real check (nan is null or typeof(nan) in ('integer', 'real')),
    nv real check (nv is null or typeof(nv) in ('integer', 'real'))
);

create table jkpg_tzzs_tnb (
    tzzs_zs numeric(18,2) check (tzzs_zs is null or typeof(tzzs_zs) in ('integer', 'real')),
    nan real check (nan is null or typeof(nan) in ('integer', 'real')),
    nv real check (nv is null or typeof(nv) in ('integer', 'real'))
);

-- Standard weights (kg) by age bound (rows) and height bound in cm (columns).
create table jkpg_lxtz_nan (
    nianl numeric(18,0) check (nianl is null or typeof(nianl) in ('integer', 'real')),
    "145" numeric(18,1) check ("145" is null or typeof("145") in ('integer', 'real')),
    "150" numeric(18,1) check ("150" is null or typeof("150") in ('integer', 'real')),
    "155" numeric(18,1) check ("155" is null or typeof("155") in ('integer', 'real')),
    "160" numeric(18,1) check ("160" is null or typeof("160") in ('integer', 'real')),
    "165" numeric(18,1) check ("165" is null or typeof("165") in ('integer', 'real')),
    "170" numeric(18,1) check ("170" is null or typeof("170") in ('integer', 'real')),
    "175" numeric(18,1) check ("175" is null or typeof("175") in ('integer', 'real')),
    "180" numeric(18,1) check ("180" is null or typeof("180") in ('integer', 'real')),
    "185" numeric(18,1) check ("185" is null or typeof("185") in ('integer', 'real')),
    "190" numeric(18,1) check ("190" is null or typeof("190") in ('integer', 'real')),
    "195" numeric(18,1) check ("195" is null or typeof("195") in ('integer', 'real'))
);

create table jkpg_lxtz_nv (
    nianl numeric(18,0) check (nianl is null or typeof(nianl) in ('integer', 'real')),
    "145" numeric(18,1) check ("145" is null or typeof("145") in ('integer', 'real')),
    "150" numeric(18,1) check ("150" is null or typeof("150") in ('integer', 'real')),
    "155" numeric(18,1) check ("155" is null or typeof("155") in ('integer', 'real')),
    "160" numeric(18,1) check ("160" is null or typeof("160") in ('integer', 'real')),
    "165" numeric(18,1) check ("165" is null or typeof("165") in ('integer', 'real')),
    "170" numeric(18,1) check ("170" is null or typeof("170") in ('integer', 'real')),
    "175" numeric(18,1) check ("175" is null or typeof("175") in ('integer', 'real')),
    "180" numeric(18,1) check ("180" is null or typeof("180") in ('integer', 'real')),
    "185" numeric(18,1) check ("185" is null or typeof("185") in ('integer', 'real')),
    "190" numeric(18,1) check ("190" is null or typeof("190") in ('integer', 'real')),
    "195" numeric(18,1) check ("195" is null or typeof("195") in ('integer', 'real'))
);
