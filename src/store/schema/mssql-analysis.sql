-- Tables of the risk analysis (SQL Server): result work tables, banded score
-- tables, standard weights and the advice dictionary.
-- Every table and column is declared in store/Schema.cpp; a test holds
-- the scripts of every dialect to that list.

-- Analysis sessions. Every result row carries the key of the session that
-- wrote it, so workstations sharing the database never read each other's
-- results; rows of sessions not seen for a day are swept.
create table jkpg_fxhh (
    session_key nvarchar(36) not null primary key,
    bianh nvarchar(10),
    jkpg_id int,
    huodsj datetime not null
);
create index jkpg_fxhh_huodsj on jkpg_fxhh (huodsj);

-- Result work tables: filled per session, read back in order of xuh.
create table jkpg_gxy (
    gxyjb nvarchar(20),
    gxy1 decimal(18,0),
    session_key nvarchar(36) not null,
    xuh int not null
);
create index jkpg_gxy_session_key on jkpg_gxy (session_key);

create table jkpg_gxb (
    gxbid nvarchar(20),
    gxbbwxx float,
    session_key nvarchar(36) not null,
    xuh int not null
);
create index jkpg_gxb_session_key on jkpg_gxb (session_key);

create table jkpg_ncz (
    nczid nvarchar(20),
    nczbwxx float,
    session_key nvarchar(36) not null,
    xuh int not null
);
create index jkpg_ncz_session_key on jkpg_ncz (session_key);

create table jkpg_tnb (
    tnbid nvarchar(20),
    tnbpgxx float,
    session_key nvarchar(36) not null,
    xuh int not null
);
create index jkpg_tnb_session_key on jkpg_tnb (session_key);

create table jkpg_ssyypg (
    mingc nvarchar(20),
    neir nvarchar(20),
    zhis int,
    session_key nvarchar(36) not null,
    xuh int not null
);
create index jkpg_ssyypg_session_key on jkpg_ssyypg (session_key);

create table jkpg_ydcf (
    jianyydl nvarchar(20),
    yundfs nvarchar(50),
    yundsj nvarchar(200),
    yundqd nvarchar(50),
    yundpd nvarchar(100),
    session_key nvarchar(36) not null
);
create index jkpg_ydcf_session_key on jkpg_ydcf (session_key);

create table jkpg_tgjc_pd (
    pd_tizzs nvarchar(10),
    pd_shousy nvarchar(10),
    pd_shuzy nvarchar(10),
    pd_zongdgc nvarchar(10),
    pd_ganysz nvarchar(10),
    pd_gaomdzdb nvarchar(10),
    pd_dimdzdb nvarchar(10),
    pd_kongfxt nvarchar(10),
    pd_canhexsxt nvarchar(50),
    pd_tanghxhdb nvarchar(10),
    pd_xuens nvarchar(10),
    pd_yaow nvarchar(20),
    session_key nvarchar(36) not null
);
create index jkpg_tgjc_pd_session_key on jkpg_tgjc_pd (session_key);

create table jkpg_shfs_wxys (
    id int identity(1,1) primary key,
    TZZS nvarchar(30),
    TC nvarchar(30),
    TG nvarchar(30),
    HDL nvarchar(30),
    LDL nvarchar(30),
    YAOW nvarchar(30),
    ZIFG nvarchar(30),
    TZZSTS nvarchar(max),
    TCTS nvarchar(max),
    TGTS nvarchar(max),
    HDLTS nvarchar(max),
    LDLTS nvarchar(max),
    YAOWTS nvarchar(max),
    ZIFGTS nvarchar(max),
    session_key nvarchar(36) not null
);
create index jkpg_shfs_wxys_session_key on jkpg_shfs_wxys (session_key);

-- Advice dictionary.
create table jkpg_sjzd_ts (
    id int identity(1,1) primary key,
    xiangm nvarchar(20),
    zhuangt nvarchar(20),
    jib nvarchar(30),
    tis nvarchar(max)
);

-- Banded score tables: a row covers the values above the previous bound up
-- to and including its own.
create table jkpg_nl_gxb (
    nianl decimal(18,2),
    nan float,
    nv float
);

create table jkpg_nl_ncz (
    nianl decimal(18,2),
    nan float,
    nv float
);

create table jkpg_nl_tnb (
    nianl decimal(18,2),
    nan float,
    nv float
);

create table jkpg_sbp_gxb (
    sbp_zs decimal(18,2),
    nan float,
    nv float
);

create table jkpg_dbp_gxb (
    dbp_zs decimal(18,2),
    nan float,
    nv float
);

create table jkpg_tc_gxb (
    tc_zs decimal(18,2),
    nan float,
    nv float
);

create table jkpg_tzzs_gxb (
    tzzs_zs decimal(18,2),
    nan float,
    nv float
);

create table jkpg_tzzs_tnb (
    tzzs_zs decimal(18,2),
    nan float,
    nv float
);

-- Standard weights (kg) by age bound (rows) and height bound in cm (columns).
create table jkpg_lxtz_nan (
    nianl decimal(18,0),
    "145" decimal(18,1),
    "150" decimal(18,1),
    "155" decimal(18,1),
    "160" decimal(18,1),
    "165" decimal(18,1),
    "170" decimal(18,1),
    "175" decimal(18,1),
    "180" decimal(18,1),
    "185" decimal(18,1),
    "190" decimal(18,1),
    "195" decimal(18,1)
);

create table jkpg_lxtz_nv (
    nianl decimal(18,0),
    "145" decimal(18,1),
    "150" decimal(18,1),
    "155" decimal(18,1),
    "160" decimal(18,1),
    "165" decimal(18,1),
    "170" decimal(18,1),
    "175" decimal(18,1),
    "180" decimal(18,1),
    "185" decimal(18,1),
    "190" decimal(18,1),
    "195" decimal(18,1)
);
