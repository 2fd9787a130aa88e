-- Assessment tables for PostgreSQL.
-- Each statement ends with a semicolon at the end of a line.
-- Every table and column is declared in store/Schema.cpp; a test holds
-- the scripts of every dialect to that list.

-- Operators. mim holds an Argon2id hash string (or plain text in databases that came from elsewhere).
create table sys_yhxx (
    yonghdm varchar(12) not null,
    yonghmc varchar(50),
    mim     varchar(128),
    quanx   varchar(255),
    constraint pk_sys_yhxx primary key (yonghdm)
);

-- System information, one row; pinggzx is the name of the assessment centre.
create table sys_information (
    pinggzx varchar(100)
);

-- The version of this schema, one row; db upgrade brings an older database
-- (and restore an older backup) to the version the program knows.
create table sys_sjkbb (
    banb integer not null
);

-- The assessment centre as printed in the report, one row.
create table jkpg_pgzx (
    danwdm  varchar(20),
    danwmc  varchar(100),
    dizl    varchar(200),
    lianxfs varchar(100),
    beiz    varchar(255),
    diq     varchar(10),
    chengx  varchar(10)
);

-- Report cover picture (JPEG), at most one row with tup_id 1.
create table sys_bgfm (
    tup_id integer not null,
    beijtp bytea,
    constraint pk_sys_bgfm primary key (tup_id)
);

-- Person records. zhaop holds the photo's name (record number plus the picture file extension, so it is
-- wider than bianh); zhaopsj the photo's bytes as chosen, zhaopgs their picture format.
create table jkpg_jbxx (
    bianh   varchar(10) not null,
    xingm   varchar(10),
    xingb   varchar(2),
    zunc    varchar(4),
    shenfzh varchar(18),
    nianl   numeric(18,0),
    minz    varchar(10),
    zhiy    varchar(30),
    hunyzk  varchar(8),
    wenhcd  varchar(10),
    gongzdw varchar(50),
    tongxdz varchar(50),
    lianxfs varchar(20),
    youj    varchar(50),
    lurrq   timestamp,
    zhaop   varchar(20),
    banb integer not null default 0,
    zhaopsj bytea,
    zhaopgs varchar(10),
    constraint pk_jkpg_jbxx primary key (bianh)
);

-- Assessment register, one row per assessment; the number is unique over the database.
create table jkpg_id (
    jkpg_id integer not null,
    bianh   varchar(10) not null,
    cis     integer,
    id      varchar(10),
    zhuangt varchar(10),
    lurrq   timestamp,
    banb integer not null default 0,
    constraint pk_jkpg_id primary key (jkpg_id)
);

-- Current health status and family history. Tick boxes hold their caption or "0". At most one row per assessment.
create table jkpg_mqzk (
    mqzk_id    varchar(20),
    jkpg_id    integer not null,
    bianh      varchar(10) not null,
    manxzqgy   varchar(20),
    naoxs      varchar(20),
    qitxzb     varchar(20),
    feia       varchar(20),
    feiqz      varchar(20),
    guanxb     varchar(20),
    yixtnb     varchar(20),
    ruxzs      varchar(20),
    xiaoc      varchar(20),
    gaoxyxxzb  varchar(20),
    erxtnb     varchar(20),
    qit        varchar(20),
    gaoxy      varchar(20),
    feixb      varchar(20),
    ruxa       varchar(20),
    naocx      varchar(20),
    xiantxxzb  varchar(20),
    qianlxa    varchar(20),
    qitnr      varchar(20),
    pilcd      varchar(20),
    tizbh      varchar(20),
    shifjtz    varchar(20),
    shifcxy    varchar(20),
    shifcxz    varchar(20),
    shiftt     varchar(20),
    shifbzc    varchar(20),
    jiazs_gxy  varchar(20),
    jiazs_1tnb varchar(20),
    jiazs_2tnb varchar(20),
    jiazs_gxz  varchar(20),
    jiazs_gxb  varchar(20),
    jiazs_nzz  varchar(20),
    jiazs_ncx  varchar(20),
    jiazs_nxs  varchar(20),
    jiazs_fp   varchar(20),
    lurrq      timestamp,
    banb integer not null default 0,
    constraint uq_jkpg_mqzk_assessment unique (jkpg_id, bianh)
);

-- Diet. At most one row per assessment.
create table jkpg_ssyy (
    ssyy_id  char(10),
    jkpg_id  integer not null,
    bianh    varchar(10) not null,
    zufsbl   varchar(20),
    douzpsrl varchar(20),
    naizpsrl varchar(20),
    meitsc   varchar(20),
    meitsg   varchar(20),
    meitjd   varchar(20),
    meitzyr  varchar(20),
    meityxb  varchar(20),
    meitjye  varchar(20),
    meitgr   varchar(20),
    meitjl   varchar(20),
    meitbj   varchar(20),
    meitgj   varchar(20),
    meitzwy  varchar(20),
    meitsy   varchar(20),
    meitjcfp varchar(20),
    lurrq    timestamp,
    banb integer not null default 0,
    constraint uq_jkpg_ssyy_assessment unique (jkpg_id, bianh)
);

-- Exercise; yundjg is the verdict derived when the row is saved. At most one row per assessment.
create table jkpg_ydfs (
    ydfs_id  char(10),
    jkpg_id  integer not null,
    bianh    varchar(10) not null,
    meizgzts varchar(20),
    zuozsj   varchar(20),
    chuxfs   varchar(20),
    duanlfs  varchar(100),
    duanlcs  varchar(20),
    duanlsj  varchar(20),
    yundjg   varchar(20),
    lurrq    timestamp,
    banb integer not null default 0,
    constraint uq_jkpg_ydfs_assessment unique (jkpg_id, bianh)
);

-- Lifestyle and habits. The yinjzl_ tick boxes hold their caption or "0". At most one row per assessment.
create table jkpg_shfs (
    shfs_id   char(10),
    jkpg_id   integer not null,
    bianh     varchar(10) not null,
    beidxy    varchar(20),
    shifxy    varchar(20),
    xiyzs     varchar(20),
    yanl      varchar(20),
    shifyj    varchar(20),
    yinjzl_bj varchar(20),
    yinjzl_pj varchar(20),
    yinjzl_gj varchar(20),
    yinjzl_qt varchar(20),
    meirjl    varchar(20),
    shifjlcp  varchar(20),
    shifcs    varchar(20),
    shifzz    varchar(20),
    shuimzk   varchar(20),
    shuimsj   varchar(20),
    shifay    varchar(20),
    lurrq     timestamp,
    banb integer not null default 0,
    constraint uq_jkpg_shfs_assessment unique (jkpg_id, bianh)
);

-- Physical examination and laboratory values. Height in m, weight in kg, pressures in mmHg, lipids and glucose in mmol/L; uric acid is kept as text. At most one row per assessment.
create table jkpg_tgjc (
    tgjc_id   char(10),
    jkpg_id   integer not null,
    bianh     varchar(10) not null,
    sheng     numeric(18,2),
    tiz       double precision,
    tizzs     double precision,
    yaow      double precision,
    tunw      double precision,
    shousy    numeric(18,0),
    shuzy     numeric(18,0),
    zuoxsfd   varchar(2),
    zongdgc   double precision,
    ganysz    double precision,
    gaomdzdb  double precision,
    dimdzdb   double precision,
    kongfxt   double precision,
    canhexsxt double precision,
    tanghxhdb double precision,
    xuens     varchar(20),
    zhifg_bc  varchar(20),
    jiangyy   varchar(10),
    lurrq     timestamp,
    banb integer not null default 0,
    constraint uq_jkpg_tgjc_assessment unique (jkpg_id, bianh)
);

-- Reference ranges, one row per (biaomc, duiyzd); a NULL limit means no bound on that side.
create table jkpg_sjzd (
    biaomc    varchar(20),
    duiykjmc  varchar(20),
    duiyzd    varchar(20),
    duiyz     varchar(20),
    beiz      varchar(20),
    min_value numeric(18,2),
    max_value numeric(18,2),
    danw      varchar(20),
    banb integer not null default 0
);

-- The assessments of a person, latest first, and the search by record number.
create index ix_jkpg_id_bianh on jkpg_id (bianh, jkpg_id);

-- The search by assessment date. With the number, how many assessments a
-- few days hold and their lowest and highest number are read from the index.
create index ix_jkpg_id_lurrq on jkpg_id (lurrq, jkpg_id);

-- The search by name.
create index ix_jkpg_jbxx_xingm on jkpg_jbxx (xingm);

-- The search by sex (and age) and by age: they let a search find at once that
-- few persons or none match, instead of reading every assessment to say so.
create index ix_jkpg_jbxx_xingb on jkpg_jbxx (xingb, nianl);
create index ix_jkpg_jbxx_nianl on jkpg_jbxx (nianl);

-- Reference lookups by table and column.
create index ix_jkpg_sjzd_duiyzd on jkpg_sjzd (biaomc, duiyzd);

-- One row per assessment whose person exists (inner join).
create view v_jkpg_jbxx as
select i.bianh, i.jkpg_id, i.zhuangt, i.lurrq, j.xingm, j.xingb, j.nianl
from jkpg_id i
inner join jkpg_jbxx j on j.bianh = i.bianh;
